#include "brask/strategies/interject.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kMessage =
    "STOP. The harness detected: {}. Change your approach immediately.";
constexpr std::string_view kReasoning = "Strong interjection for: {}";

}  // namespace

std::optional<core::StrategyResult> InterjectStrategy::evaluate(const core::DetectedIssue& issue) {
  return propose(*this, issue,
                 core::intervention::Interject{.message = fmt::format(kMessage, issue.description),
                                               .reason = issue.description},
                 fmt::format(kReasoning, issue.description));
}

}  // namespace brask::strategies
