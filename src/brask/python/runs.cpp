#include "brask/python/runs.h"

#include <exception>
#include <memory>

#include "brask/agent/mock_agent.h"
#include "brask/harness/blocking.h"
#include "brask/harness/factory.h"
#include "brask/harness/runtime.h"

namespace brask::python {
namespace {

constexpr std::string_view kAgentId = "py-agent";

}  // namespace

core::Result<RunCounts> run_mock_harness(const std::string& task, std::string_view preset_text,
                                         std::uint32_t turns, bool dry_run) {
  try {
    auto agent = std::make_shared<agent::MockAgent>(std::string(kAgentId), turns);
    const auto preset = preset_from_python_text(preset_text);
    // A plain run goes through run_harness_session; a dry run builds its registry itself.
    auto outcome =
        dry_run
            ? harness::run_blocking(harness::run_with_registry(
                  harness::build_registry_from_preset(preset),
                  harness::RuntimeConfig{.session_id = std::nullopt, .dry_run = true}, task,
                  std::move(agent)))
            : harness::run_blocking(harness::run_harness_session(preset, std::move(agent), task));
    if (!outcome) return std::unexpected(outcome.error());
    return RunCounts{outcome->agent_id, outcome->success, outcome->observation_count,
                     outcome->detection_count, outcome->intervention_count};
  } catch (const std::exception& error) {
    // Nothing may cross into Python as a C++ exception (out of memory, say).
    return std::unexpected(core::BraskError::internal(error.what()));
  }
}

}  // namespace brask::python
