#include "brask/server/session/store.h"

#include <array>

namespace brask::server::session {

std::string_view status_text(SessionStatus status) {
  static constexpr std::array<std::string_view, 6> kTexts = {"pending",   "running", "paused",
                                                             "completed", "failed",  "cancelled"};
  return kTexts.at(static_cast<std::size_t>(status));
}

void EventLog::append(core::SharedEvent event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
}

std::size_t EventLog::size() const {
  std::lock_guard lock(mutex_);
  return events_.size();
}

std::vector<core::SharedEvent> EventLog::snapshot() const {
  std::lock_guard lock(mutex_);
  return events_;
}

SessionState SessionState::create(std::string id, std::string task, std::string agent_type,
                                  std::string preset, RunEnds* ends) {
  SessionState state;
  state.id = std::move(id);
  state.task = std::move(task);
  state.agent_type = std::move(agent_type);
  state.preset = std::move(preset);
  state.created_at = core::utc_now();
  state.event_sender = async::make_broadcast<core::SharedEvent>(kEventBroadcastCapacity);
  auto [sender, receiver] = async::make_bounded_channel<core::Intervention>(kInterventionCapacity);
  state.intervention_sender = std::move(sender);
  state.cancel_sender = async::Watch<bool>(false);
  if (ends != nullptr) {
    ends->interventions = std::move(receiver);
    ends->cancel = state.cancel_sender;
  }
  return state;
}

SessionStore new_store() {
  return std::make_shared<async::RwLock<SessionMap>>();
}

}  // namespace brask::server::session
