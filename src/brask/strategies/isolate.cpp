#include "brask/strategies/isolate.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning = "Isolating agent: {}";

}  // namespace

std::optional<core::StrategyResult> IsolateStrategy::evaluate(const core::DetectedIssue& issue) {
  if (issue.severity < core::Severity::Error) return std::nullopt;
  const auto level = issue.severity == core::Severity::Critical
                         ? core::IsolationLevel::FullSandbox
                         : core::IsolationLevel::ToolRestrict;
  return propose(*this, issue,
                 core::intervention::Isolate{.level = level, .reason = issue.description},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
