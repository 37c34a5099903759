#include "brask/observers/reliability_watcher.h"

#include "brask/observers/figures.h"

namespace brask::observers {

std::optional<core::Observation> ReliabilityWatcher::observe(const core::AgentEvent& event) {
  if (event.kind() == core::EventKind::Failed) {
    errors_.fetch_add(1, std::memory_order_relaxed);
  } else if (const auto* end = event.get_if<core::event::ToolCallEnd>()) {
    (end->result.is_error ? errors_ : successes_).fetch_add(1, std::memory_order_relaxed);
  }
  const auto errors = errors_.load(std::memory_order_relaxed);
  const auto successes = successes_.load(std::memory_order_relaxed);
  const auto errors_f = static_cast<double>(errors);
  std::optional<core::Observation> record(std::in_place, kName);
  (*record)
      .set_number("error_rate",
                  figures::share(errors_f, errors_f + static_cast<double>(successes), 0.0))
      .set_count("total_ops", errors + successes);
  return record;
}

}  // namespace brask::observers
