#include "brask/observers/token_watcher.h"

#include "brask/observers/figures.h"

namespace brask::observers {

std::optional<core::Observation> TokenWatcher::observe(const core::AgentEvent& event) {
  switch (event.kind()) {
    case core::EventKind::ToolCallCached:
      cached_tool_calls_.fetch_add(1, std::memory_order_relaxed);
      return std::nullopt;
    case core::EventKind::ToolCallStart:
      tool_calls_.fetch_add(1, std::memory_order_relaxed);
      return std::nullopt;
    case core::EventKind::TokenUsage:
      break;
    default:
      return std::nullopt;
  }
  const auto& usage = *event.get_if<core::event::TokenUsage>();
  (usage.cache_read > 0 ? cache_hits_ : cache_misses_).fetch_add(1, std::memory_order_relaxed);
  const std::uint64_t total = usage.input + usage.output + usage.cache_read + usage.cache_write;
  {
    std::lock_guard lock(totals_mutex_);
    totals_.push_back(total);
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_count("total_tokens", total)
      .set_number("cache_hit_rate", cache_hit_rate())
      .set_number("dedup_rate", dedup_rate())
      .set_count("waste_tokens", waste_tokens());
  return record;
}

double TokenWatcher::cache_hit_rate() const {
  const auto hits = static_cast<double>(cache_hits_.load(std::memory_order_relaxed));
  const auto misses = static_cast<double>(cache_misses_.load(std::memory_order_relaxed));
  return figures::share(hits, hits + misses, 0.0);
}

double TokenWatcher::dedup_rate() const {
  const auto cached = static_cast<double>(cached_tool_calls_.load(std::memory_order_relaxed));
  const auto calls = static_cast<double>(tool_calls_.load(std::memory_order_relaxed));
  return figures::share(cached, calls, 0.0);
}

std::vector<std::uint64_t> TokenWatcher::token_totals() const {
  std::lock_guard lock(totals_mutex_);
  return totals_;
}

}  // namespace brask::observers
