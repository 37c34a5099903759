#pragma once

#include <cstdint>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports a conversation whose last message ("msg_timestamp_ms", the last one in the list) is at
// least the timeout old by the wall clock, in whole seconds; at most one issue per call.
class ConversationStallDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "conversation_stall";

  explicit ConversationStallDetector(std::uint64_t timeout_secs = 45)
      : timeout_secs_(timeout_secs) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  std::uint64_t timeout_secs_;
};

}  // namespace brask::detectors
