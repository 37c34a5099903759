#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::observers {

// Reliability: failed runs and failed tool calls against successful tool calls. Answers on every
// event.
class ReliabilityWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "reliability";
  static constexpr std::string_view kDimension = "reliability";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::atomic<std::uint64_t> errors_{0};
  std::atomic<std::uint64_t> successes_{0};
};

}  // namespace brask::observers
