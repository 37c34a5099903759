#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include "brask/server/http/connection.h"

namespace brask::server {

// A fatal start-up or serving failure; its text is the whole message (no error-kind prefix).
template <typename T>
using Fatal = std::expected<T, std::string>;

// Opens the listener on 127.0.0.1, trying `port` and up to 100 ports above it (never above
// 65535), writing the "in use" lines and, once bound, the banner and the start-up log line.
Fatal<boost::asio::ip::tcp::acceptor> open_listener(boost::asio::io_context& context,
                                                    std::uint16_t port);

// Start-up and service on the caller's runtime: returns only if start-up or serving fails.
boost::asio::awaitable<Fatal<void>> run_server(std::uint16_t port);

// The server on a multi-threaded runtime of its own, for callers that need to stop it (the
// Python binding stops it on Ctrl+C, tests stop it when done).
class RunningServer {
 public:
  // Binds and starts serving; fails with the start-up error message.
  static Fatal<std::unique_ptr<RunningServer>> start(std::uint16_t port, http::Limits limits = {},
                                                     unsigned threads = 0);
  ~RunningServer();
  RunningServer(const RunningServer&) = delete;
  RunningServer& operator=(const RunningServer&) = delete;

  std::uint16_t port() const { return port_; }
  // Stops accepting, closes the listener, ends the runtime and joins its threads. Idempotent.
  void stop();

 private:
  RunningServer() = default;

  boost::asio::io_context context_;
  std::unique_ptr<boost::asio::ip::tcp::acceptor> acceptor_;
  std::vector<std::thread> threads_;
  std::uint16_t port_ = 0;
  bool stopped_ = false;
};

}  // namespace brask::server
