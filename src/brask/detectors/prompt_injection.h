#pragma once

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports known instruction-override phrases in "content", matched without regard to letter case;
// one issue per observation naming every phrase found.
class PromptInjectionDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "prompt_injection";

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;
};

}  // namespace brask::detectors
