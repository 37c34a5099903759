#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports the cycle's last cost ("cost_per_turn") when it exceeds the mean of the first five
// costs by more than the spike multiplier; at most one issue per call.
class CostAnomalyDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "cost_anomaly";

  explicit CostAnomalyDetector(double spike_multiplier = 3.0)
      : spike_multiplier_(spike_multiplier) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double spike_multiplier_;
};

}  // namespace brask::detectors
