#include "brask/strategies/rollback.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning = "Rolling back: {}";

}  // namespace

std::optional<core::StrategyResult> RollbackStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(*this, issue,
                 core::intervention::Rollback{.checkpoint_id = core::Uuid::new_v4(),
                                              .reason = issue.description},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
