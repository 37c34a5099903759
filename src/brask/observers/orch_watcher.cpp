#include "brask/observers/orch_watcher.h"

#include <limits>

namespace brask::observers {
namespace {

// Moves the count one step up or down, stopping at the ends of its range instead of wrapping.
void step_saturating(std::atomic<std::uint32_t>& count, bool up) {
  auto current = count.load(std::memory_order_relaxed);
  const std::uint32_t limit = up ? std::numeric_limits<std::uint32_t>::max() : 0;
  while (current != limit && !count.compare_exchange_weak(current, up ? current + 1 : current - 1,
                                                          std::memory_order_relaxed)) {
  }
}

}  // namespace

std::optional<core::Observation> OrchWatcher::observe(const core::AgentEvent& event) {
  switch (event.kind()) {
    case core::EventKind::Completed:
    case core::EventKind::Failed:
      step_saturating(active_agents_, false);
      break;
    case core::EventKind::Forked:
      total_forks_.fetch_add(1, std::memory_order_relaxed);
      step_saturating(active_agents_, true);
      break;
    default:
      break;
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_count("active_agents", active_agents_.load(std::memory_order_relaxed))
      .set_count("total_forks", total_forks_.load(std::memory_order_relaxed));
  return record;
}

}  // namespace brask::observers
