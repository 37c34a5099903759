#include "brask/server/session/view.h"

namespace brask::server::session {

nlohmann::json summary_json(const SessionState& state) {
  nlohmann::json out = {
      {"id", state.id},
      {"task", state.task},
      {"agent_type", state.agent_type},
      {"preset", state.preset},
      {"status", status_text(state.status)},
      {"created_at", core::format_rfc3339_offset(state.created_at)},
      {"completed_at", nullptr},
      {"health_score", core::health_score_to_json(state.health_score)},
      {"result", nullptr},
  };
  if (state.completed_at) out["completed_at"] = core::format_rfc3339_offset(*state.completed_at);
  if (state.result) out["result"] = state.result->to_json();
  return out;
}

nlohmann::json detail_json(const SessionState& state) {
  auto out = summary_json(state);
  out["event_count"] = state.events->size();
  return out;
}

}  // namespace brask::server::session
