#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports two agents waiting on each other (or one waiting on itself), from "waiting_agent",
// "waiting_for" and "wait_duration_secs"; each side whose wait reached the timeout reports once.
// The last observation for an agent replaces its earlier ones.
class DeadlockDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "deadlock";

  explicit DeadlockDetector(std::uint64_t timeout_secs = 60) : timeout_secs_(timeout_secs) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  std::uint64_t timeout_secs_;
};

}  // namespace brask::detectors
