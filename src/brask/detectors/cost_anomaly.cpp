#include "brask/detectors/cost_anomaly.h"

#include <array>
#include <numeric>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"
#include "brask/detectors/series.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects cost spikes vs historical baseline";
constexpr std::array<std::string_view, 2> kStrategies{"degrade", "escalate"};
constexpr std::size_t kBaselineTurns = 5;
// Fixed, whatever the multiplier.
constexpr double kSevereRatio = 5.0;

}  // namespace

std::string_view CostAnomalyDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> CostAnomalyDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  const auto costs = number_series(observations, "cost_per_turn");
  if (costs.size() < kBaselineTurns) return {};
  const double baseline =
      std::accumulate(costs.begin(), costs.begin() + kBaselineTurns, 0.0) / kBaselineTurns;
  const double latest = costs.back();
  if (!(baseline > 0.0 && latest > baseline * spike_multiplier_)) return {};

  const double ratio = latest / baseline;
  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::CostAnomaly{baseline, latest, ratio},
          .severity = ratio > kSevereRatio ? core::Severity::Error : core::Severity::Warning,
          .confidence = ratio_confidence(ratio - 1.0, spike_multiplier_),
          .description = fmt::format("Cost spike: ${:.4f} vs avg ${:.4f}", latest, baseline),
          .details = fmt::format("Cost {:.1f}x baseline", ratio),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
