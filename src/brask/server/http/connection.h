#pragma once

#include <memory>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "brask/server/http/router.h"

namespace brask::server::http {

// Limits of the HTTP layer. Each one, when crossed, ends in a client error or a closed
// connection for that client only.
struct Limits {
  std::size_t max_body_bytes = 1024 * 1024;
  std::size_t max_header_bytes = 16 * 1024;
  std::size_t max_ws_message_bytes = 64 * 1024;
  // Applies to each request read: a client that sends nothing, or sends its head too slowly,
  // loses the connection, and an idle keep-alive connection is closed after this long.
  std::chrono::seconds read_timeout{30};
};

// Accepts connections until the acceptor is closed; each connection is served as its own task
// on a strand of the acceptor's execution context.
boost::asio::awaitable<void> accept_loop(boost::asio::ip::tcp::acceptor& acceptor,
                                         std::shared_ptr<const Router> router, Limits limits = {});

}  // namespace brask::server::http
