#include "brask/strategies/circuit_break.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReason = "Critical issue detected: {} (confidence: {:.0f}%)";
constexpr std::string_view kReasoning = "Emergency stop triggered by {} severity {} issue";

}  // namespace

std::optional<core::StrategyResult> CircuitBreakStrategy::evaluate(
    const core::DetectedIssue& issue) {
  const bool stop_worthy = std::holds_alternative<core::category::SecretLeak>(issue.category) ||
                           std::holds_alternative<core::category::ComplianceGap>(issue.category);
  if (issue.severity != core::Severity::Critical || !stop_worthy) return std::nullopt;
  return propose(*this, issue,
                 core::intervention::CircuitBreak{
                     .reason = fmt::format(kReason, issue.description, issue.confidence * 100.0)},
                 fmt::format(kReasoning, core::severity_name(issue.severity), issue.description));
}

}  // namespace brask::strategies
