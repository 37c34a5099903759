#include "brask/strategies/proposal.h"

#include <utility>

namespace brask::strategies {

core::StrategyResult propose(const core::Strategy& strategy, const core::DetectedIssue& issue,
                             core::Intervention intervention, std::string reasoning,
                             double confidence_factor) {
  return core::StrategyResult{
      .strategy_name = std::string(strategy.name()),
      .intervention = std::move(intervention),
      .priority = strategy.priority(),
      .reasoning = std::move(reasoning),
      .confidence = issue.confidence * confidence_factor,
  };
}

}  // namespace brask::strategies
