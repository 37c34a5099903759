#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports resources ("resource") whose usage ("usage_pct") exceeds their limit: the disk limit
// for "disk", the general limit for anything else.
//
// "usage_pct" is a percentage from 0 to 100 throughout: it is compared with the limits (80.0 and
// 90.0 by default) as given, printed as given with no decimals, and the issue is an Error once it
// is above 95.
class ResourceExhaustionDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "resource_exhaustion";

  explicit ResourceExhaustionDetector(double disk_limit = 80.0, double general_limit = 90.0)
      : disk_limit_(disk_limit), general_limit_(general_limit) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  double disk_limit_;
  double general_limit_;
};

}  // namespace brask::detectors
