#pragma once

#include "brask/server/http/message.h"

namespace brask::server::routes {

boost::asio::awaitable<http::Response> serve_index(http::Context& context);
boost::asio::awaitable<http::Response> serve_css(http::Context& context);
boost::asio::awaitable<http::Response> serve_js(http::Context& context);

}  // namespace brask::server::routes
