#include "brask/strategies/fork.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning = "Forking for parallel execution: {}";
constexpr std::string_view kImplement = "implement";
constexpr std::string_view kVerify = "verify";
constexpr double kConfidenceFactor = 0.7;

}  // namespace

std::optional<core::StrategyResult> ForkStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(*this, issue,
                 core::intervention::Fork{
                     .count = 2,
                     .subtasks = {std::string(kImplement), std::string(kVerify)},
                 },
                 fmt::format(kReasoning, issue.description), kConfidenceFactor);
}

}  // namespace brask::strategies
