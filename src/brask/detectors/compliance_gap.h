#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Relays every compliance gap ("compliance_gap") that an upstream check has written down.
class ComplianceGapDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "compliance_gap";

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;
};

}  // namespace brask::detectors
