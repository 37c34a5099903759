#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::observers {

// Orchestration: agents forked and still active. Only forks raise the active count; completions
// and failures lower it, never below zero. Answers on every event.
class OrchWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "orch";
  static constexpr std::string_view kDimension = "orchestration";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::atomic<std::uint32_t> active_agents_{0};
  std::atomic<std::uint64_t> total_forks_{0};
};

}  // namespace brask::observers
