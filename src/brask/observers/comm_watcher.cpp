#include "brask/observers/comm_watcher.h"

namespace brask::observers {

std::optional<core::Observation> CommWatcher::observe(const core::AgentEvent& event) {
  const auto* sent = event.get_if<core::event::MessageSent>();
  std::uint64_t participants = 0;
  {
    std::lock_guard lock(senders_mutex_);
    if (sent != nullptr) ++sent_by_sender_[sent->from];
    participants = sent_by_sender_.size();
  }
  if (sent != nullptr) total_messages_.fetch_add(1, std::memory_order_relaxed);
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_count("total_messages", total_messages_.load(std::memory_order_relaxed))
      .set_count("participants", participants);
  return record;
}

}  // namespace brask::observers
