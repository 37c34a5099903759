#include "brask/detectors/output_degradation.h"

#include <array>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"
#include "brask/detectors/series.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects declining output quality over time";
constexpr std::array<std::string_view, 2> kStrategies{"replace", "compact"};
constexpr std::uint32_t kWindowTurns = 3;

}  // namespace

std::string_view OutputDegradationDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> OutputDegradationDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  const auto scores = number_series(observations, "quality_score");
  if (scores.size() < kWindowTurns + 1) return {};

  const auto last = std::span(scores).last(kWindowTurns + 1);
  const double decline = ((last[0] - last[1]) + (last[1] - last[2]) + (last[2] - last[3])) / 3.0;
  if (!(decline > decline_threshold_)) return {};

  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::OutputDegradation{-decline, kWindowTurns},
          .severity =
              decline > 2.0 * decline_threshold_ ? core::Severity::Error : core::Severity::Warning,
          .confidence = ratio_confidence(decline, decline_threshold_),
          .description = fmt::format("Output quality declining ({:.2f}/turn)", decline),
          .details =
              fmt::format("Quality decline: {:.2f}/turn over {} turns", decline, kWindowTurns),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
