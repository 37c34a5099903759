#include "brask/detectors/runaway_cost.h"

#include <array>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"
#include "brask/detectors/series.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects accelerating cost (2nd derivative)";
constexpr std::array<std::string_view, 2> kStrategies{"degrade", "circuit_break"};
constexpr std::size_t kMinTurns = 6;

}  // namespace

std::string_view RunawayCostDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> RunawayCostDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  const auto costs = number_series(observations, "cost_per_turn");
  if (costs.size() < kMinTurns) return {};

  // Mean of the second differences, summed term by term rather than telescoped so the figure
  // is the one the description promises.
  double sum = 0.0;
  for (std::size_t i = 0; i + 2 < costs.size(); ++i) {
    const double first = costs[i + 1] - costs[i];
    const double second = costs[i + 2] - costs[i + 1];
    sum += second - first;
  }
  const double acceleration = sum / static_cast<double>(costs.size() - 2);
  if (!(acceleration > acceleration_threshold_)) return {};

  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::RunawayCost{acceleration},
          .severity = acceleration > 2.0 * acceleration_threshold_ ? core::Severity::Error
                                                                   : core::Severity::Warning,
          .confidence = ratio_confidence(acceleration, acceleration_threshold_),
          .description = fmt::format("Runaway cost: accelerating at ${:.4f}/turn²", acceleration),
          .details = fmt::format("Cost acceleration: {:.4f}", acceleration),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
