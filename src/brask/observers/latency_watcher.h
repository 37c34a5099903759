#pragma once

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
  std::mutex durations_mutex_;
  std::vector<double> durations_ms_;  // always sorted ascending
};

}  // namespace brask::observers
