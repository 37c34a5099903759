#pragma once

#include <string>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Every strategy fills its result the same way: its own name and priority, the intervention, the
// reasoning, and the issue's confidence scaled by the strategy's factor.
core::StrategyResult propose(const core::Strategy& strategy, const core::DetectedIssue& issue,
                             core::Intervention intervention, std::string reasoning,
                             double confidence_factor = 1.0);

}  // namespace brask::strategies
