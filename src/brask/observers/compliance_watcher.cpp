#include "brask/observers/compliance_watcher.h"

namespace brask::observers {

std::optional<core::Observation> ComplianceWatcher::observe(const core::AgentEvent& event) {
  if (const auto* output = event.get_if<core::event::OutputComplete>()) {
    const auto found = personal_data_.count_matches(output->content);
    if (found > 0) pii_exposures_.fetch_add(found, std::memory_order_relaxed);
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_count("pii_exposures", pii_exposures_.load(std::memory_order_relaxed));
  return record;
}

}  // namespace brask::observers
