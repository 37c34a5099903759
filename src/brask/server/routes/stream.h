#pragma once

#include "brask/server/app.h"
#include "brask/server/http/message.h"

namespace brask::server::routes::stream {

inline constexpr std::chrono::seconds kKeepAlive{15};

// A server-sent-event stream of the session's events from now on; one that ends at once for an
// unknown session.
boost::asio::awaitable<http::Response> session_stream(const AppState& state,
                                                      http::Context& context);

}  // namespace brask::server::routes::stream
