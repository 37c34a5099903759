#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Compares the task of the cycle's first observation ("original_task") with the output of its
// last ("current_output") by their first 50 bytes (cut back to a character boundary); at most one
// issue per call.
class GoalDriftDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "goal_drift";

  explicit GoalDriftDetector(double threshold = 0.4) : threshold_(threshold) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double threshold_;
};

}  // namespace brask::detectors
