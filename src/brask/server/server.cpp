#include "brask/server/server.h"

#include <algorithm>
#include <cstdio>

#include <fmt/format.h>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/this_coro.hpp>

#include "brask/core/log.h"
#include "brask/server/app.h"
#include "brask/server/session/store.h"
#include "brask/server/texts.h"

namespace brask::server {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;

// Console lines go through C stdio and are flushed at once, so that they keep their order with
// the log lines (same stream) and reach a pipe as they are written.
void console(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void print_banner(const std::string& address) {
  const auto rule = std::string(texts::kBannerRule);
  console(fmt::format("{}\n{}\n{}\n{}\n{}\n\n", rule, texts::kBannerTitle,
                      fmt::format(fmt::runtime(texts::kBannerAddress), address), rule,
                      texts::kBannerStopHint));
}

}  // namespace

Fatal<tcp::acceptor> open_listener(asio::io_context& context, std::uint16_t port) {
  const auto loopback = asio::ip::make_address_v4(std::string(texts::kLoopbackAddress));
  const unsigned start = port;
  unsigned current = port;
  const auto log = core::logger(core::kLogServer);
  for (;;) {
    tcp::acceptor acceptor(context);
    boost::system::error_code ec;
    const tcp::endpoint endpoint(loopback, static_cast<std::uint16_t>(current));
    acceptor.open(endpoint.protocol(), ec);
    if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) acceptor.bind(endpoint, ec);
    if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (!ec) {
      const auto bound = acceptor.local_endpoint(ec);
      if (ec) return std::unexpected(ec.message());
      const auto address = fmt::format("{}:{}", bound.address().to_string(), bound.port());
      print_banner(address);
      log->info(fmt::runtime(texts::kLogStarted), address);
      return acceptor;
    }
    if (ec != asio::error::address_in_use) {
      return std::unexpected(fmt::format(fmt::runtime(texts::kBindFailed), current, ec.message()));
    }
    const auto line = fmt::format(fmt::runtime(texts::kPortInUse), current, current + 1);
    console(line + "\n");
    log->warn("{}", line);
    ++current;
    if (current > start + 100 || current > 65535) {
      return std::unexpected(fmt::format(fmt::runtime(texts::kNoFreePort), start, current));
    }
  }
}

asio::awaitable<Fatal<void>> run_server(std::uint16_t port) {
  auto executor = co_await asio::this_coro::executor;
  auto& context = static_cast<asio::io_context&>(asio::query(executor, asio::execution::context));
  auto router = create_app(session::new_store());
  auto acceptor = open_listener(context, port);
  if (!acceptor) co_return std::unexpected(acceptor.error());
  co_await http::accept_loop(*acceptor, std::move(router));
  // The accept loop ends only when the listener is closed under it.
  co_return std::unexpected(std::string("the listener closed"));
}

Fatal<std::unique_ptr<RunningServer>> RunningServer::start(std::uint16_t port, http::Limits limits,
                                                           unsigned threads) {
  std::unique_ptr<RunningServer> server(new RunningServer());
  auto router = create_app(session::new_store());
  auto acceptor = open_listener(server->context_, port);
  if (!acceptor) return std::unexpected(acceptor.error());
  server->port_ = acceptor->local_endpoint().port();
  server->acceptor_ = std::make_unique<tcp::acceptor>(std::move(*acceptor));
  asio::co_spawn(server->context_, http::accept_loop(*server->acceptor_, std::move(router), limits),
                 asio::detached);
  if (threads == 0) threads = std::max(2U, std::thread::hardware_concurrency());
  for (unsigned i = 0; i < threads; ++i) {
    server->threads_.emplace_back([ctx = &server->context_] { ctx->run(); });
  }
  return server;
}

void RunningServer::stop() {
  if (stopped_) return;
  stopped_ = true;
  context_.stop();
  for (auto& thread : threads_) thread.join();
  threads_.clear();
  // No thread runs the context any more, so the listener can be closed from here.
  boost::system::error_code ignored;
  if (acceptor_) acceptor_->close(ignored);
}

RunningServer::~RunningServer() {
  stop();
}

}  // namespace brask::server
