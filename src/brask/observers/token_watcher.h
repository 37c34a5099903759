#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "brask/core/contracts.h"

namespace brask::observers {

// Token efficiency: cache use, per-event token totals and how often tool calls were served from
// the cache. Answers on token usage only.
class TokenWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "token";
  static constexpr std::string_view kDimension = "token_efficiency";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

  double cache_hit_rate() const;
  double dedup_rate() const;
  // Nothing feeds it yet, so it stays 0; kept so the record and the health figures have it.
  std::uint64_t waste_tokens() const { return waste_tokens_.load(std::memory_order_relaxed); }
  // Every token usage event's total, in the order they were shown.
  std::vector<std::uint64_t> token_totals() const;

 private:
  std::atomic<std::uint64_t> cache_hits_{0};
  std::atomic<std::uint64_t> cache_misses_{0};
  std::atomic<std::uint64_t> cached_tool_calls_{0};
  std::atomic<std::uint64_t> tool_calls_{0};
  std::atomic<std::uint64_t> waste_tokens_{0};
  mutable std::mutex totals_mutex_;
  std::vector<std::uint64_t> totals_;
};

}  // namespace brask::observers
