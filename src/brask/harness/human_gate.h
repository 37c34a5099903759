#pragma once

#include <string>

#include "brask/core/records.h"

namespace brask::harness {

// Marks the issues that a person would be asked about before the agent goes on. A match only adds
// a gate record to the audit trail; it never stops a cycle.
struct HumanGatePolicy {
  // Who would be asked.
  std::string reviewer;
  // A bar below full confidence gates every issue: nothing is trusted to pass unseen.
  double approval_threshold = 1.0;
  // A factor above one gates every issue: the session runs on an escalated budget.
  double escalation_factor = 1.0;
  // When `Critical`, every critical issue is gated.
  core::Severity severity = core::Severity::Critical;

  bool matches(const core::DetectedIssue& issue) const;
};

}  // namespace brask::harness
