#include "brask/strategies/diversify.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kApproach =
    "Try a completely different approach. MVP-first \u2192 Risk-first \u2192 User-first";
constexpr std::string_view kReasoning = "Forcing diverse strategies: {}";

}  // namespace

std::optional<core::StrategyResult> DiversifyStrategy::evaluate(const core::DetectedIssue& issue) {
  if (!std::holds_alternative<core::category::VarietyCollapse>(issue.category)) {
    return std::nullopt;
  }
  return propose(*this, issue,
                 core::intervention::Diversify{.alternative_approach = std::string(kApproach)},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
