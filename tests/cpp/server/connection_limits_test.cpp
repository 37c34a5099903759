// The HTTP layer's time limits against a real listener: a client that sends nothing, or stops
// half-way through its head, loses the connection; the server goes on serving others.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "brask/server/server.h"

namespace brask::server {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

// Reads until the server closes; returns what arrived and how long the close took.
std::pair<std::string, Clock::duration> read_until_closed(tcp::socket& socket) {
  const auto start = Clock::now();
  std::string received;
  boost::system::error_code ec;
  asio::read(socket, asio::dynamic_buffer(received), ec);
  return {received, Clock::now() - start};
}

class ConnectionLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    http::Limits limits;
    limits.read_timeout = std::chrono::seconds(1);
    auto started = RunningServer::start(kFirstPort, limits, 2);
    ASSERT_TRUE(started) << started.error();
    server = std::move(*started);
  }

  tcp::socket connect() {
    tcp::socket socket(client);
    socket.connect(tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), server->port()));
    return socket;
  }

  static constexpr std::uint16_t kFirstPort = 47310;
  asio::io_context client;
  std::unique_ptr<RunningServer> server;
};

TEST_F(ConnectionLimitsTest, SilentAndStalledClientsAreDisconnected) {
  for (const std::string& sent : {std::string(), std::string("GET / HTTP/1.1\r\nHost: x\r\n")}) {
    auto socket = connect();
    asio::write(socket, asio::buffer(sent));
    const auto [received, waited] = read_until_closed(socket);
    EXPECT_EQ(received, "") << "after sending " << sent.size() << " bytes";
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    EXPECT_LT(waited, std::chrono::seconds(5));
  }
}

TEST_F(ConnectionLimitsTest, IdleKeepAliveConnectionIsClosedAfterItsAnswer) {
  auto socket = connect();
  const std::string request = "GET /style.css HTTP/1.1\r\nHost: x\r\n\r\n";
  asio::write(socket, asio::buffer(request));
  const auto [received, waited] = read_until_closed(socket);
  EXPECT_TRUE(received.starts_with("HTTP/1.1 200 OK\r\n")) << received;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST_F(ConnectionLimitsTest, StopReleasesThePort) {
  const auto port = server->port();
  server->stop();
  tcp::acceptor again(client);
  boost::system::error_code ec;
  again.open(tcp::v4());
  // Earlier tests leave TIME_WAIT entries on this port; only a live listener may refuse us.
  again.set_option(tcp::acceptor::reuse_address(true));
  again.bind(tcp::endpoint(asio::ip::make_address_v4("127.0.0.1"), port), ec);
  EXPECT_FALSE(ec) << ec.message();
}

}  // namespace
}  // namespace brask::server
