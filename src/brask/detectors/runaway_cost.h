#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports costs ("cost_per_turn") whose mean second difference, over at least six turns,
// exceeds the acceleration threshold; at most one issue per call.
class RunawayCostDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "runaway_cost";

  explicit RunawayCostDetector(double acceleration_threshold = 1.2)
      : acceleration_threshold_(acceleration_threshold) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double acceleration_threshold_;
};

}  // namespace brask::detectors
