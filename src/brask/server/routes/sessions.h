#pragma once

#include "brask/server/app.h"
#include "brask/server/http/message.h"

namespace brask::server::routes::sessions {

using http::Context;
using http::Response;

boost::asio::awaitable<Response> list(const AppState& state, Context& context);
boost::asio::awaitable<Response> create(const AppState& state, Context& context);
boost::asio::awaitable<Response> get(const AppState& state, Context& context);
boost::asio::awaitable<Response> remove(const AppState& state, Context& context);
boost::asio::awaitable<Response> pause(const AppState& state, Context& context);
boost::asio::awaitable<Response> resume(const AppState& state, Context& context);
boost::asio::awaitable<Response> checkpoints(const AppState& state, Context& context);

}  // namespace brask::server::routes::sessions
