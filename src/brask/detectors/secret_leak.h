#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports credentials by their published prefixes and key markers (case-sensitive) in the text
// of "content", or of "output" when there is no "content" member at all: one issue per pattern
// found, in the table's order.
class SecretLeakDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "secret_leak";

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;
};

}  // namespace brask::detectors
