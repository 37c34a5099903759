#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "brask/core/contracts.h"
#include "brask/observers/figures.h"

namespace brask::observers {

// Communication between agents: messages sent and who sent them. Answers on every event.
class CommWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "comm";
  static constexpr std::string_view kDimension = "communication";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::mutex senders_mutex_;
  std::unordered_map<std::string, std::uint64_t, figures::StringHash, std::equal_to<>>
      sent_by_sender_;
  std::atomic<std::uint64_t> total_messages_{0};
};

}  // namespace brask::observers
