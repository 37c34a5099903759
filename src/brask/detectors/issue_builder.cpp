#include "brask/detectors/issue_builder.h"

#include <algorithm>
#include <cmath>

namespace brask::detectors {

core::DetectedIssue make_issue(std::string_view agent_id, Finding finding,
                               std::span<const std::string_view> strategies) {
  core::DetectedIssue issue;
  issue.id = core::Uuid::new_v4();
  issue.agent_id = std::string(agent_id);
  issue.category = std::move(finding.category);
  issue.severity = finding.severity;
  // Strategies compare confidences against their own bounds; a figure outside [0, 1] (possible
  // only with unusual settings, e.g. a spike multiplier below 1) would mislead them.
  issue.confidence =
      std::isnan(finding.confidence) ? 0.0 : std::clamp(finding.confidence, 0.0, 1.0);
  issue.description = std::move(finding.description);
  issue.details = std::move(finding.details);
  issue.suggested_strategies.assign(strategies.begin(), strategies.end());
  return issue;
}

double ratio_confidence(double value, double limit) {
  if (limit == 0.0) return 1.0;
  return std::min(value / limit, 1.0);
}

}  // namespace brask::detectors
