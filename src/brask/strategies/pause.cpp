#include "brask/strategies/pause.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr double kMinConfidence = 0.9;
constexpr std::string_view kReasoning = "Pausing for human review: {}";

}  // namespace

std::optional<core::StrategyResult> PauseStrategy::evaluate(const core::DetectedIssue& issue) {
  if (issue.severity != core::Severity::Critical && !(issue.confidence >= kMinConfidence)) {
    return std::nullopt;
  }
  return propose(
      *this, issue,
      core::intervention::Pause{.reason = issue.description, .checkpoint_id = core::Uuid::new_v4()},
      fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
