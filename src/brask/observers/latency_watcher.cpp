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
    std::lock_guard lock(durations_mutex_);
    const auto at = std::lower_bound(runs_.begin(), runs_.end(), duration,
                                     [](const Run& run, double d) { return run.duration_ms < d; });
    if (at != runs_.end() && at->duration_ms == duration) {
      ++at->count;
    } else {
      runs_.insert(at, Run{duration, 1});
    }
    n = static_cast<std::size_t>(++total_);
    const std::size_t p50_index = n / 2;
    // n x 0.95 stays below n for any list that fits in memory; the clamp only guards the index.
    const std::size_t p95_index =
        std::min(static_cast<std::size_t>(static_cast<double>(n) * 0.95), n - 1);
    // The values at both sorted indices, found in one walk over the runs.
    std::size_t seen = 0;
    bool have_p50 = false;
    for (const auto& run : runs_) {
      seen += run.count;
      if (!have_p50 && p50_index < seen) {
        p50 = run.duration_ms;
        have_p50 = true;
      }
      if (p95_index < seen) {
        p95 = run.duration_ms;
        break;
      }
    }
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_number("p50_ms", p50)
      .set_number("p95_ms", p95)
      .set_count("count", static_cast<std::uint64_t>(n));
  return record;
}

}  // namespace brask::observers
