#include "brask/observers/accuracy_watcher.h"

#include "brask/observers/figures.h"

namespace brask::observers {

std::optional<core::Observation> AccuracyWatcher::observe(const core::AgentEvent& event) {
  const auto* end = event.get_if<core::event::ToolCallEnd>();
  if (end == nullptr) return std::nullopt;
  // Case-sensitive on purpose: "FAILED" is how test runners shout a failure; each test stands
  // alone, so one result may count as a pass, a failure and a lint finding at once.
  const std::string_view content = end->result.content;
  if (content.find("passed") != std::string_view::npos &&
      content.find("test") != std::string_view::npos) {
    test_passes_.fetch_add(1, std::memory_order_relaxed);
  }
  if (content.find("FAILED") != std::string_view::npos) {
    test_failures_.fetch_add(1, std::memory_order_relaxed);
  }
  if (content.find("error") != std::string_view::npos ||
      content.find("warning") != std::string_view::npos) {
    lint_findings_.fetch_add(1, std::memory_order_relaxed);
  }
  const auto passes = static_cast<double>(test_passes_.load(std::memory_order_relaxed));
  const auto failures = static_cast<double>(test_failures_.load(std::memory_order_relaxed));
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_number("test_pass_rate", figures::share(passes, passes + failures, 1.0))
      .set_count("lint_errors", lint_findings_.load(std::memory_order_relaxed));
  return record;
}

}  // namespace brask::observers
