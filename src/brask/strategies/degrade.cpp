#include "brask/strategies/degrade.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning = "Degrading to reduce cost: {}";

}  // namespace

std::optional<core::StrategyResult> DegradeStrategy::evaluate(const core::DetectedIssue& issue) {
  // Always the first, mildest step; harsher levels are left to an operator.
  return propose(*this, issue, core::intervention::Degrade{.level = core::DegradeLevel::Mild},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
