#include "brask/detectors/accuracy_risk.h"

#include <algorithm>
#include <array>
#include <string>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects generated code without tests or verification";
constexpr std::array<std::string_view, 1> kStrategies{"nudge"};
constexpr std::string_view kWriteTool = "write";
constexpr std::array<std::string_view, 3> kTestMarkers{"test", "cargo test", "pytest"};
constexpr std::string_view kNoTestsRisk = "no_tests";
constexpr std::string_view kIssueDescription = "Code generated but no tests executed";
constexpr std::string_view kIssueDetails = "WriteFile without subsequent test execution";

bool mentions_test(std::string_view content) {
  return std::any_of(kTestMarkers.begin(), kTestMarkers.end(), [&](std::string_view marker) {
    return content.find(marker) != std::string_view::npos;
  });
}

}  // namespace

std::string_view AccuracyRiskDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> AccuracyRiskDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  bool wrote = false;
  bool tested = false;
  for (const auto& observation : observations) {
    wrote = wrote || observation.get_string("tool") == kWriteTool;
    const auto content = observation.get_string("content");
    tested = tested || (content && mentions_test(*content));
  }
  if (!wrote || tested) return {};
  std::vector<core::DetectedIssue> issues;
  issues.push_back(
      make_issue(agent_id,
                 Finding{
                     .category = core::category::AccuracyRisk{{std::string(kNoTestsRisk)}},
                     .severity = core::Severity::Warning,
                     .confidence = 0.8,
                     .description = std::string(kIssueDescription),
                     .details = std::string(kIssueDetails),
                 },
                 kStrategies));
  return issues;
}

}  // namespace brask::detectors
