#include "brask/observers/memory_watcher.h"

#include "brask/observers/figures.h"

namespace brask::observers {

std::optional<core::Observation> MemoryWatcher::observe(const core::AgentEvent& event) {
  switch (event.kind()) {
    case core::EventKind::ToolCallStart:
    case core::EventKind::ThinkingStart:
      retrievals_.fetch_add(1, std::memory_order_relaxed);
      break;
    case core::EventKind::ToolCallEnd:
      if (!event.get_if<core::event::ToolCallEnd>()->result.is_error) {
        hits_.fetch_add(1, std::memory_order_relaxed);
      }
      break;
    case core::EventKind::OutputComplete:
      stores_.fetch_add(1, std::memory_order_relaxed);
      break;
    default:
      break;
  }
  const auto retrievals = retrievals_.load(std::memory_order_relaxed);
  const auto hits = hits_.load(std::memory_order_relaxed);
  const auto stores = stores_.load(std::memory_order_relaxed);
  std::optional<core::Observation> record(std::in_place, kName);
  (*record)
      .set_number("hit_rate",
                  figures::share(static_cast<double>(hits), static_cast<double>(retrievals), 0.0))
      .set_count("retrievals", retrievals)
      .set_count("hits", hits)
      .set_count("stored", stores)
      .set_number("growth_rate_kb_hr",
                  static_cast<double>(figures::saturating_mul(stores, kKbPerStore)));
  return record;
}

}  // namespace brask::observers
