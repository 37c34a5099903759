// Both live streams against a real server, so that the sanitizer build sees the whole path:
// subscription, event delivery, the run's end and a delete while subscribers are attached.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <nlohmann/json.hpp>

#include "brask/server/server.h"

namespace brask::server {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using tcp = asio::ip::tcp;
using nlohmann::json;

class StreamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto started = RunningServer::start(47410, {}, 2);
    ASSERT_TRUE(started) << started.error();
    server = std::move(*started);
  }

  tcp::endpoint endpoint() const {
    return {asio::ip::make_address_v4("127.0.0.1"), server->port()};
  }

  // One request on its own connection; returns the whole answer (the server closes after it).
  std::string exchange(const std::string& method, const std::string& target,
                       const std::string& body = "") {
    tcp::socket socket(client);
    socket.connect(endpoint());
    const std::string request = method + " " + target +
                                " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                                "Content-Type: application/json\r\nContent-Length: " +
                                std::to_string(body.size()) + "\r\n\r\n" + body;
    asio::write(socket, asio::buffer(request));
    std::string answer;
    boost::system::error_code ec;
    asio::read(socket, asio::dynamic_buffer(answer), ec);
    return answer;
  }

  json body_of(const std::string& answer) {
    return json::parse(answer.substr(answer.find("\r\n\r\n") + 4));
  }

  std::string create(int turns, int interval_ms) {
    const auto answer = exchange("POST", "/api/v1/sessions",
                                 json{{"turns", turns}, {"event_interval_ms", interval_ms}}.dump());
    return body_of(answer).at("id").get<std::string>();
  }

  asio::io_context client;
  std::unique_ptr<RunningServer> server;
};

TEST_F(StreamsTest, EventStreamDeliversEventsAndEndsWhenADeletedRunStops) {
  const auto id = create(1000, 5);  // about 20 s unless the delete cancels it
  tcp::socket socket(client);
  socket.connect(endpoint());
  const std::string request = "GET /api/v1/sessions/" + id + "/stream HTTP/1.1\r\nHost: x\r\n\r\n";
  asio::write(socket, asio::buffer(request));
  std::string received;
  asio::read_until(socket, asio::dynamic_buffer(received), "data: {\"type\"");
  EXPECT_TRUE(received.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_NE(received.find("text/event-stream"), std::string::npos);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(body_of(exchange("DELETE", "/api/v1/sessions/" + id)), json({{"deleted", id}}));
  boost::system::error_code ec;
  asio::read(socket, asio::dynamic_buffer(received), ec);  // to the end of the stream
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(received.ends_with("0\r\n\r\n")) << "chunked body not finished";
  // The server is still serving.
  EXPECT_EQ(body_of(exchange("GET", "/api/v1/sessions")).at("total"), 0);
}

TEST_F(StreamsTest, WebSocketForwardsEventsAndTakesPauseAndResume) {
  const auto id = create(3, 5);
  beast::websocket::stream<tcp::socket> ws(client);
  ws.next_layer().connect(endpoint());
  ws.handshake("127.0.0.1", "/ws");
  ws.write(asio::buffer(json{{"action", "subscribe"}, {"session_id", id}}.dump()));
  beast::flat_buffer buffer;
  ws.read(buffer);
  EXPECT_EQ(beast::buffers_to_string(buffer.data()),
            json({{"event", "subscribed"}, {"session_id", id}}).dump());
  // Pause and resume go to the running session and leave the stream as it was.
  ws.write(asio::buffer(json{{"action", "pause"}}.dump()));
  ws.write(asio::buffer(json{{"action", "resume"}}.dump()));
  std::vector<std::string> types;
  while (types.empty() || types.back() != "completed") {
    buffer.clear();
    ws.read(buffer);
    types.push_back(json::parse(beast::buffers_to_string(buffer.data())).at("type"));
  }
  // Subscribed while the paced run was under way: a tail of the 15 events, ending in order.
  ASSERT_GE(types.size(), 4U);
  EXPECT_EQ(types[types.size() - 2], "thinking_end");
  EXPECT_EQ(types[types.size() - 3], "tool_call_end");

  // A deleted session lets go of the channel once its run is over, which closes the socket.
  exchange("DELETE", "/api/v1/sessions/" + id);
  boost::system::error_code ec;
  buffer.clear();
  ws.read(buffer, ec);
  EXPECT_TRUE(ec);
}

}  // namespace
}  // namespace brask::server
