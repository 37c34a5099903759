#include "brask/observers/latency_watcher.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace brask::observers {

std::optional<core::Observation> LatencyWatcher::observe(const core::AgentEvent& event) {
  const auto* end = event.get_if<core::event::ToolCallEnd>();
  if (end == nullptr) return std::nullopt;
  const auto duration = static_cast<double>(end->result.duration_ms);
  double p50 = 0.0;
  double p95 = 0.0;
  std::size_t n = 0;
  {
    // Inserting after equal values keeps the list exactly as a stable sort of the appended list
    // would, without re-sorting it on every call.
    std::lock_guard lock(durations_mutex_);
    durations_ms_.insert(std::upper_bound(durations_ms_.begin(), durations_ms_.end(), duration),
                         duration);
    n = durations_ms_.size();
    p50 = durations_ms_[n / 2];
    // n x 0.95 stays below n for any list that fits in memory; the clamp only guards the index.
    const auto p95_index = static_cast<std::size_t>(static_cast<double>(n) * 0.95);
    p95 = durations_ms_[std::min(p95_index, n - 1)];
  }
  core::Observation record(kName);
  record.set_number("p50_ms", p50)
      .set_number("p95_ms", p95)
      .set_count("count", static_cast<std::uint64_t>(n));
  return record;
}

}  // namespace brask::observers
