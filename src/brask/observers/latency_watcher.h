#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "brask/core/contracts.h"

namespace brask::observers {

// Tool-call latency percentiles over every duration seen. Answers on tool-call ends only.
class LatencyWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "latency";
  static constexpr std::string_view kDimension = "latency";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  // The sorted list of every duration seen, kept as runs of equal values: the history is observed
  // again in every cycle, so the list grows as cycles x calls while the distinct values stay few.
  struct Run {
    double duration_ms;
    std::uint64_t count;
  };
  std::mutex durations_mutex_;
  std::vector<Run> runs_;  // ascending, one per distinct duration
  std::uint64_t total_ = 0;
};

}  // namespace brask::observers
