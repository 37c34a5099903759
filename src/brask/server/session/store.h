#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brask/async/bounded_channel.h"
#include "brask/async/broadcast.h"
#include "brask/async/rw_lock.h"
#include "brask/async/watch.h"
#include "brask/core/events.h"
#include "brask/core/records.h"
#include "brask/core/time.h"
#include "brask/harness/runtime.h"

namespace brask::server::session {

inline constexpr std::size_t kEventBroadcastCapacity = 256;
inline constexpr std::size_t kInterventionCapacity = 64;

enum class SessionStatus : std::uint8_t { Pending, Running, Paused, Completed, Failed, Cancelled };

std::string_view status_text(SessionStatus status);

using EventSender = async::BroadcastSender<core::SharedEvent>;
using EventReceiver = async::BroadcastReceiver<core::SharedEvent>;
using InterventionSender = async::Sender<core::Intervention>;
using InterventionReceiver = async::Receiver<core::Intervention>;

// The events a session's pipeline has processed. The run appends from its own task while routes
// read under the store's shared lock, so the list carries its own short-held mutex.
class EventLog {
 public:
  void append(core::SharedEvent event);
  std::size_t size() const;
  std::vector<core::SharedEvent> snapshot() const;

 private:
  mutable std::mutex mutex_;
  std::vector<core::SharedEvent> events_;
};

// The receiving ends of a new session's channels, handed to its run.
struct RunEnds {
  std::optional<InterventionReceiver> interventions;
  std::optional<async::Watch<bool>> cancel;
};

struct SessionState {
  std::string id;
  std::string task;
  std::string agent_type;  // as the client sent it
  std::string preset;      // as the client sent it
  SessionStatus status = SessionStatus::Pending;
  core::Timestamp created_at;
  std::optional<core::Timestamp> completed_at;
  std::optional<core::HealthScore> health_score;
  std::optional<harness::HarnessResult> result;
  std::shared_ptr<EventLog> events = std::make_shared<EventLog>();
  EventSender event_sender;
  InterventionSender intervention_sender;
  async::Watch<bool> cancel_sender;

  // A pending record with fresh channels; `ends` receives the receiving ends for the run.
  static SessionState create(std::string id, std::string task, std::string agent_type,
                             std::string preset, RunEnds* ends = nullptr);
};

using SessionMap = std::map<std::string, SessionState, std::less<>>;

// The server's sessions: one asynchronous readers-writer lock over the map, shared by handle.
using SessionStore = std::shared_ptr<async::RwLock<SessionMap>>;

SessionStore new_store();

}  // namespace brask::server::session
