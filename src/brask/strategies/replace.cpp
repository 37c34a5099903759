#include "brask/strategies/replace.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kSummary = "Previous agent failed: {}";
constexpr std::string_view kNewModel = "claude-opus-4-8";
constexpr std::string_view kReasoning = "Replacing failed agent: {}";
constexpr double kConfidenceFactor = 0.85;

}  // namespace

std::optional<core::StrategyResult> ReplaceStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(*this, issue,
                 core::intervention::Replace{
                     .context_summary = fmt::format(kSummary, issue.description),
                     .new_model = std::string(kNewModel),
                 },
                 fmt::format(kReasoning, issue.description), kConfidenceFactor);
}

}  // namespace brask::strategies
