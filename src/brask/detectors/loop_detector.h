#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports a tool called at least `threshold` times within one cycle's observations ("tool_name").
// The window only appears in the description; every observation of the cycle is counted.
class LoopDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "loop";

  explicit LoopDetector(std::uint32_t threshold = 4, std::uint32_t window = 10)
      : threshold_(threshold), window_(window) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  std::uint32_t threshold_;
  std::uint32_t window_;
};

}  // namespace brask::detectors
