// The only translation unit that speaks HTTP/1.1 and WebSocket on the wire (Beast).
#include "brask/server/http/connection.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include "brask/core/log.h"
#include "brask/server/http/cors.h"
#include "brask/server/http/readers.h"
#include "brask/server/texts.h"

namespace brask::server::http {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace bhttp = boost::beast::http;
namespace websocket = boost::beast::websocket;
using tcp = asio::ip::tcp;
constexpr auto kTuple = asio::as_tuple(asio::use_awaitable);

using BeastRequest = bhttp::request<bhttp::string_body>;

// Writes the chunks of a streamed body. Works on the plain socket: a stream races the client's
// going away against its next event, and the loser's socket operation is cancelled.
class ChunkSink final : public EventSink {
 public:
  explicit ChunkSink(tcp::socket& socket) : socket_(socket) {}

  asio::awaitable<bool> send(const std::string& chunk) override {
    const auto body = bhttp::make_chunk(asio::buffer(chunk));
    auto [ec, n] = co_await asio::async_write(socket_, body, kTuple);
    co_return !ec;
  }

  asio::awaitable<void> wait_closed() override {
    std::array<char, 512> scratch{};
    for (;;) {
      auto [ec, n] = co_await socket_.async_read_some(asio::buffer(scratch), kTuple);
      if (ec) co_return;
    }
  }

 private:
  tcp::socket& socket_;
};

class BeastWebSocket final : public WebSocket {
 public:
  BeastWebSocket(beast::tcp_stream stream, std::size_t max_message) : ws_(std::move(stream)) {
    ws_.read_message_max(max_message);
    ws_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::server));
    ws_.control_callback([this](websocket::frame_type kind, beast::string_view) {
      if (report_control_ && kind != websocket::frame_type::close) {
        control_seen_ = true;
        abort();
      }
    });
  }

  asio::awaitable<bool> accept(const BeastRequest& request) {
    auto [ec] = co_await ws_.async_accept(request, kTuple);
    co_return !ec;
  }

  asio::awaitable<Frame> read() override {
    buffer_.clear();
    auto [ec, n] = co_await ws_.async_read(buffer_, kTuple);
    if (ec) co_return Frame{control_seen_ ? Frame::Kind::Control : Frame::Kind::End, {}};
    co_return Frame{ws_.got_text() ? Frame::Kind::Text : Frame::Kind::Binary,
                    beast::buffers_to_string(buffer_.data())};
  }

  asio::awaitable<bool> write_text(const std::string& text) override {
    ws_.text(true);
    auto [ec, n] = co_await ws_.async_write(asio::buffer(text), kTuple);
    co_return !ec;
  }

  void report_control(bool on) override { report_control_ = on; }

  void abort() override {
    beast::error_code ignored;
    beast::get_lowest_layer(ws_).socket().shutdown(tcp::socket::shutdown_both, ignored);
    beast::get_lowest_layer(ws_).socket().close(ignored);
  }

 private:
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer buffer_;
  bool report_control_ = false;
  bool control_seen_ = false;
};

Request to_request(const BeastRequest& in) {
  Request out;
  out.method = std::string(in.method_string());
  const std::string_view target = in.target();
  const auto q = target.find('?');
  out.path = std::string(target.substr(0, q));
  if (q != std::string_view::npos) out.query = std::string(target.substr(q + 1));
  for (const auto& field : in) {
    std::string name(field.name_string());
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto [it, fresh] = out.headers.emplace(std::move(name), std::string(field.value()));
    if (!fresh) it->second += ", " + std::string(field.value());
  }
  out.body = in.body();
  return out;
}

asio::awaitable<bool> write_response(beast::tcp_stream& stream, const Response& response,
                                     const BeastRequest& request, bool keep_alive) {
  const bool head_only = request.method() == bhttp::verb::head;
  bhttp::response<bhttp::string_body> out{static_cast<bhttp::status>(response.status),
                                          request.version()};
  if (!response.content_type.empty()) out.set(bhttp::field::content_type, response.content_type);
  for (const auto& [name, value] : response.headers) out.insert(name, value);
  out.keep_alive(keep_alive);
  if (head_only) {
    out.content_length(response.body.size());
    bhttp::response_serializer<bhttp::string_body> serializer{out};
    auto [ec, n] = co_await bhttp::async_write_header(stream, serializer, kTuple);
    co_return !ec;
  }
  out.body() = response.body;
  out.prepare_payload();
  auto [ec, n] = co_await bhttp::async_write(stream, out, kTuple);
  co_return !ec;
}

asio::awaitable<void> write_stream(beast::tcp_stream& stream, Response& response,
                                   const BeastRequest& request) {
  bhttp::response<bhttp::empty_body> head{static_cast<bhttp::status>(response.status),
                                          request.version()};
  head.set(bhttp::field::content_type, response.content_type);
  head.set(bhttp::field::cache_control, "no-cache");
  for (const auto& [name, value] : response.headers) head.insert(name, value);
  head.keep_alive(false);
  head.chunked(true);
  bhttp::response_serializer<bhttp::empty_body> serializer{head};
  auto [ec, n] = co_await bhttp::async_write_header(stream, serializer, kTuple);
  if (ec) co_return;
  ChunkSink sink(stream.socket());
  co_await response.stream(sink);
  const auto last = bhttp::make_chunk_last();
  co_await asio::async_write(stream.socket(), last, kTuple);
}

// Runs a handler; an escaping exception is a server fault, answered 500 without ending the
// server.
asio::awaitable<Response> run_handler(const Handler& handler, Context& context) {
  try {
    co_return co_await handler(context);
  } catch (const std::exception& e) {
    core::logger(core::kLogServer)->error("handler failed: {}", e.what());
  }
  co_return Response::text(500, "Internal Server Error");
}

Response error_for(const beast::error_code& ec) {
  if (ec == bhttp::error::body_limit)
    return Response::text(413, std::string(texts::kErrBodyTooLarge));
  if (ec == bhttp::error::header_limit) {
    return Response::text(431, std::string(texts::kErrHeadersTooLarge));
  }
  return Response::text(400, std::string(texts::kErrBadRequest));
}

// Reads and drops what the client still sends, for a moment, before closing: closing with unread
// input resets the connection, and the client could lose the error answer just written.
asio::awaitable<void> drain(beast::tcp_stream& stream) {
  beast::error_code ignored;
  stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
  stream.expires_after(std::chrono::seconds(1));
  std::array<char, 4096> scratch{};
  for (std::size_t total = 0; total < 4 * 1024 * 1024;) {
    auto [ec, n] = co_await stream.async_read_some(asio::buffer(scratch), kTuple);
    if (ec) break;
    total += n;
  }
}

asio::awaitable<void> serve_connection(tcp::socket socket, std::shared_ptr<const Router> router,
                                       Limits limits) {
  beast::tcp_stream stream(std::move(socket));
  beast::flat_buffer buffer;
  for (;;) {
    bhttp::request_parser<bhttp::string_body> parser;
    parser.header_limit(static_cast<std::uint32_t>(limits.max_header_bytes));
    parser.body_limit(limits.max_body_bytes);
    stream.expires_after(limits.read_timeout);
    auto [ec, n] = co_await bhttp::async_read(stream, buffer, parser, kTuple);
    if (ec) {
      // A malformed or oversized request gets its client error; a timeout, a reset or a clean
      // end of stream just ends the connection.
      if (ec.category() == bhttp::make_error_code(bhttp::error::bad_target).category() &&
          ec != bhttp::error::end_of_stream && ec != bhttp::error::partial_message) {
        Response refused = error_for(ec);
        add_cors_headers(refused);
        BeastRequest blank;
        blank.version(11);
        stream.expires_after(limits.read_timeout);
        co_await write_response(stream, refused, blank, false);
        co_await drain(stream);
      }
      break;
    }
    stream.expires_never();
    BeastRequest& beast_request = parser.get();
    const Request request = to_request(beast_request);
    const bool keep_alive = beast_request.keep_alive();

    Response response;
    if (is_preflight(request)) {
      response = preflight_response();
    } else {
      auto match = router->match(request.method, request.path);
      if (auto* found = std::get_if<Router::Found>(&match)) {
        auto params = read_path_params(request, found->raw_params);
        if (!params) {
          response = std::move(params.error());
        } else if (auto* socket_handler = std::get_if<SocketHandler>(found->target)) {
          if (!websocket::is_upgrade(beast_request)) {
            response = Response::text(400, std::string(texts::kErrNotUpgrade));
          } else {
            auto ws =
                std::make_shared<BeastWebSocket>(std::move(stream), limits.max_ws_message_bytes);
            if (co_await ws->accept(beast_request)) co_await (*socket_handler)(ws);
            co_return;
          }
        } else {
          Context context{request, std::move(*params)};
          response = co_await run_handler(std::get<Handler>(*found->target), context);
        }
      } else if (auto* refused = std::get_if<Router::MethodNotAllowed>(&match)) {
        response.status = 405;
        response.headers.emplace_back("allow", refused->allow);
      } else {
        Context context{request, {}};
        response = co_await run_handler(*std::get<Router::Fallback>(match).handler, context);
      }
    }
    add_cors_headers(response);
    if (response.stream) {
      co_await write_stream(stream, response, beast_request);
      break;
    }
    // A client that does not take its answer loses the connection like one that sends nothing.
    stream.expires_after(limits.read_timeout);
    if (!co_await write_response(stream, response, beast_request, keep_alive) || !keep_alive) {
      break;
    }
  }
  beast::error_code ignored;
  stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
}

}  // namespace

asio::awaitable<void> accept_loop(tcp::acceptor& acceptor, std::shared_ptr<const Router> router,
                                  Limits limits) {
  asio::steady_timer pause(acceptor.get_executor());
  while (acceptor.is_open()) {
    const asio::any_io_executor strand = asio::make_strand(acceptor.get_executor());
    auto [ec, socket] = co_await acceptor.async_accept(strand, kTuple);
    if (ec == asio::error::operation_aborted || !acceptor.is_open()) break;
    if (ec) {
      // Running out of descriptors and the like pass; wait a moment instead of spinning.
      core::logger(core::kLogServer)->warn("accept failed: {}", ec.message());
      pause.expires_after(std::chrono::milliseconds(50));
      co_await pause.async_wait(kTuple);
      continue;
    }
    auto executor = socket.get_executor();
    asio::co_spawn(executor, serve_connection(std::move(socket), router, limits), asio::detached);
  }
}

}  // namespace brask::server::http
