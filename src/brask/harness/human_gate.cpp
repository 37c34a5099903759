#include "brask/harness/human_gate.h"

namespace brask::harness {

bool HumanGatePolicy::matches(const core::DetectedIssue& issue) const {
  const bool critical =
      severity == core::Severity::Critical && issue.severity == core::Severity::Critical;
  return critical || approval_threshold < 1.0 || escalation_factor > 1.0;
}

}  // namespace brask::harness
