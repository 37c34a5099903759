#include "brask/detectors/compliance_gap.h"

#include <array>
#include <string>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects skipped human gates, audit gaps, PII exposure";
constexpr std::array<std::string_view, 3> kStrategies{"circuit_break", "pause", "quarantine"};

}  // namespace

std::string_view ComplianceGapDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> ComplianceGapDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::vector<core::DetectedIssue> issues;
  for (const auto& observation : observations) {
    const auto gap = observation.get_string("compliance_gap");
    if (!gap) continue;
    issues.push_back(make_issue(agent_id,
                                Finding{
                                    .category = core::category::ComplianceGap{std::string(*gap)},
                                    .severity = core::Severity::Critical,
                                    .confidence = 1.0,
                                    .description = fmt::format("Compliance gap: {}", *gap),
                                    .details = fmt::format("Gap detected: {}", *gap),
                                },
                                kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
