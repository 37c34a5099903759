#include "brask/strategies/nudge.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kLoopNote =
    "Note: You've called '{}' multiple times without progress. Consider trying a different "
    "approach or proceeding with what you've already found.";
constexpr std::string_view kStaleContextNote =
    "Note: '{}' is already in your context. You don't need to re-read it. Proceed with the "
    "information you already have.";
constexpr std::string_view kAccuracyRiskNote =
    "Note: You've generated code but haven't run the tests yet. Run the tests before proceeding "
    "to the next step.";
constexpr std::string_view kGeneralNote =
    "Note: The harness detected: {}. Consider adjusting your approach.";
constexpr std::string_view kReasoning = "Injecting gentle hint for issue: {}";
constexpr double kConfidenceFactor = 0.8;

std::string note_for(const core::DetectedIssue& issue) {
  if (const auto* loop = std::get_if<core::category::Loop>(&issue.category)) {
    return fmt::format(kLoopNote, loop->tool);
  }
  if (const auto* stale = std::get_if<core::category::StaleContext>(&issue.category)) {
    return fmt::format(kStaleContextNote, stale->file);
  }
  if (std::holds_alternative<core::category::AccuracyRisk>(issue.category)) {
    return std::string(kAccuracyRiskNote);
  }
  return fmt::format(kGeneralNote, issue.description);
}

}  // namespace

std::optional<core::StrategyResult> NudgeStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(*this, issue,
                 core::intervention::Nudge{.message = note_for(issue), .reason = issue.description},
                 fmt::format(kReasoning, issue.description), kConfidenceFactor);
}

}  // namespace brask::strategies
