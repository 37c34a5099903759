#include "brask/strategies/escalate.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kDefaultModel = "claude-sonnet-4-6";
constexpr std::uint64_t kBudgetIncrease = 50000;
constexpr std::string_view kReasoning = "Escalating resources for: {}";

}  // namespace

std::optional<core::StrategyResult> EscalateStrategy::evaluate(const core::DetectedIssue& issue) {
  // A model mismatch already names the model the task needs; otherwise take the default step up.
  const auto* mismatch = std::get_if<core::category::ModelMismatch>(&issue.category);
  std::string model = mismatch != nullptr ? mismatch->recommended : std::string(kDefaultModel);
  return propose(*this, issue,
                 core::intervention::Escalate{
                     .new_model = std::move(model),
                     .budget_increase = kBudgetIncrease,
                     .reason = issue.description,
                 },
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
