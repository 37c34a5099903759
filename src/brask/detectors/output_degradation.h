#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports quality scores ("quality_score") falling by more than the decline threshold per turn
// on average over the last three turns; at most one issue per call.
class OutputDegradationDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "output_degradation";

  explicit OutputDegradationDetector(double decline_threshold = 0.3)
      : decline_threshold_(decline_threshold) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double decline_threshold_;
};

}  // namespace brask::detectors
