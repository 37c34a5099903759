#include "brask/strategies/quarantine.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning = "Quarantining output: {}";

}  // namespace

std::optional<core::StrategyResult> QuarantineStrategy::evaluate(const core::DetectedIssue& issue) {
  // Whatever the severity: output that leaks or breaks policy must not travel on.
  if (!std::holds_alternative<core::category::SecretLeak>(issue.category) &&
      !std::holds_alternative<core::category::ComplianceGap>(issue.category)) {
    return std::nullopt;
  }
  return propose(*this, issue, core::intervention::Quarantine{.reason = issue.description},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
