#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports the first complex task (by keyword, any letter case) handed to a small model (by name
// marker, exact case); at most one issue per call.
class ModelMismatchDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "model_mismatch";

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;
};

}  // namespace brask::detectors
