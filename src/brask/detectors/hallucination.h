#pragma once

#include <string>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports file references ("file_reference") that do not resolve under the root directory.
// Symbolic links are followed, so a broken link counts as missing; any failure to read the
// metadata is the finding.
class HallucinationDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "hallucination";

  explicit HallucinationDetector(std::string root = ".") : root_(std::move(root)) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  std::string root_;
};

}  // namespace brask::detectors
