#pragma once

#include <nlohmann/json.hpp>

#include "brask/server/session/store.h"

// The JSON forms of a session record that the routes answer with (members sorted by key).
namespace brask::server::session {

nlohmann::json summary_json(const SessionState& state);
nlohmann::json detail_json(const SessionState& state);

}  // namespace brask::server::session
