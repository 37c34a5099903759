#include "brask/strategies/reroute.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kTargetNode = "verify";
constexpr std::string_view kReasoning = "Rerouting agent: {}";

}  // namespace

std::optional<core::StrategyResult> RerouteStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(
      *this, issue,
      core::intervention::Reroute{.to_node = std::string(kTargetNode), .reason = issue.description},
      fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
