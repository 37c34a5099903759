#pragma once

#include <memory>

#include "brask/server/http/router.h"
#include "brask/server/session/store.h"

namespace brask::server {

// The shared state that every handler sees; one per server.
struct AppState {
  session::SessionStore sessions;
};

// The complete router: every route of the table, the dashboard page as fallback. The
// cross-origin layer is applied around it by the connection.
std::shared_ptr<const http::Router> create_app(session::SessionStore store);

}  // namespace brask::server
