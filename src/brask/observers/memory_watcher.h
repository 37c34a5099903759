#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::observers {

// Memory use: retrievals (tool calls and thinking), successful retrievals and stored outputs.
// Answers on every event.
class MemoryWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "memory";
  static constexpr std::string_view kDimension = "memory";
  // Each stored output is counted as this many kilobytes of growth.
  static constexpr std::uint64_t kKbPerStore = 4;

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::atomic<std::uint64_t> retrievals_{0};
  std::atomic<std::uint64_t> hits_{0};
  std::atomic<std::uint64_t> stores_{0};
};

}  // namespace brask::observers
