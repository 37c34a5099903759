#pragma once

#include <span>
#include <string>
#include <string_view>

#include "brask/core/records.h"

namespace brask::detectors {

// What a detector decides about one finding; `make_issue` adds what every issue shares.
struct Finding {
  core::IssueCategory category;
  core::Severity severity = core::Severity::Warning;
  double confidence = 0.0;
  std::string description;
  std::string details;
};

// A `DetectedIssue` with a fresh v4 id, the agent id copied, the confidence kept within [0, 1]
// and the suggested strategies in the detector's order of preference.
core::DetectedIssue make_issue(std::string_view agent_id, Finding finding,
                               std::span<const std::string_view> strategies);

// `value / limit` as a confidence: at most 1, never negative, and 1 for a zero limit (any value
// reaching a zero limit is a full match rather than a division by zero).
double ratio_confidence(double value, double limit);

}  // namespace brask::detectors
