#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports code written ("tool" is "write") in a cycle in which no test ran (no "content"
// mentions a test); at most one issue per call.
class AccuracyRiskDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "accuracy_risk";

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;
};

}  // namespace brask::detectors
