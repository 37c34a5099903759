#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <boost/asio/awaitable.hpp>
#include <nlohmann/json.hpp>

// The server's own view of a request and an answer. Handlers and readers see only these; the
// wire protocol (Beast) stays inside the connection code.
namespace brask::server::http {

struct Request {
  std::string method;                          // upper case, as sent: "GET", "POST", ...
  std::string path;                            // the target before '?', still percent-encoded
  std::string query;                           // the text after '?', empty when absent
  std::map<std::string, std::string> headers;  // names in lower case
  std::string body;

  // The header's value, or an empty view when absent.
  std::string_view header(std::string_view lower_name) const;
};

// Writes one chunk of a server-sent-event body. Returns false once the client is gone.
//
// Texts are taken by reference and callers keep them in named variables: g++ 12 mishandles
// temporaries that live across a co_await, so none are made there.
class EventSink {
 public:
  virtual ~EventSink() = default;
  virtual boost::asio::awaitable<bool> send(const std::string& chunk) = 0;
  // Completes when the client closes its side, so an idle stream notices a vanished client.
  virtual boost::asio::awaitable<void> wait_closed() = 0;
};

struct Response {
  unsigned status = 200;
  std::string content_type;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
  // Set for a streamed body: the head goes out first, then this writes the body chunk by chunk.
  std::function<boost::asio::awaitable<void>(EventSink&)> stream;

  static Response json(const nlohmann::json& value, unsigned status = 200);
  static Response text(unsigned status, std::string body);
  static Response bytes(std::string_view content_type, std::string_view body);
};

// One WebSocket frame as the handler sees it.
struct Frame {
  enum class Kind : std::uint8_t { Text, Binary, Control, End };
  Kind kind = Kind::End;
  std::string data;
};

// The server side of an upgraded WebSocket connection.
class WebSocket {
 public:
  virtual ~WebSocket() = default;
  // The next frame; Kind::End once the stream has ended or failed. Ping and pong frames are
  // answered by the transport and reported as Kind::Control only while `report_control` is set.
  virtual boost::asio::awaitable<Frame> read() = 0;
  virtual boost::asio::awaitable<bool> write_text(const std::string& text) = 0;
  virtual void report_control(bool on) = 0;
  // Ends the connection at once; a pending read or write completes with failure.
  virtual void abort() = 0;
};

using Params = std::map<std::string, std::string>;

struct Context {
  const Request& request;
  Params params;  // path parameters, percent-decoded
};

using Handler = std::function<boost::asio::awaitable<Response>(Context&)>;
using SocketHandler = std::function<boost::asio::awaitable<void>(std::shared_ptr<WebSocket>)>;

}  // namespace brask::server::http
