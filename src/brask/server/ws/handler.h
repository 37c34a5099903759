#pragma once

#include <memory>

#include "brask/server/app.h"
#include "brask/server/http/message.h"

namespace brask::server::ws {

// One WebSocket connection: waits for a subscribe request, then forwards the session's events
// and takes pause, resume and unsubscribe requests until either side ends.
boost::asio::awaitable<void> handle_socket(const AppState& state,
                                           std::shared_ptr<http::WebSocket> socket);

}  // namespace brask::server::ws
