#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports agents giving near-identical outputs ("agent_output"): pairs of non-empty outputs
// with the same first 200 bytes (cut back to a character boundary), when their share of all
// pairs exceeds the threshold; at most one issue per call.
class VarietyCollapseDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "variety_collapse";

  explicit VarietyCollapseDetector(double similarity_threshold = 0.85)
      : similarity_threshold_(similarity_threshold) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double similarity_threshold_;
};

}  // namespace brask::detectors
