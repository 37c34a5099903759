#include "brask/server/routes/stream.h"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "brask/core/event_json.h"
#include "brask/server/texts.h"

namespace brask::server::routes::stream {
namespace {

namespace asio = boost::asio;
using namespace asio::experimental::awaitable_operators;
using Subscription = std::shared_ptr<session::EventReceiver>;

// Unknown sessions get a subscription whose channel has no sender left: it ends at once.
constexpr std::size_t kClosedChannelCapacity = 16;

// Waits for the next item; gives nothing when `wake` is emitted first (keep-alive due, or the
// client gone). A cancelled wait loses no event: the item stays in the channel.
asio::awaitable<std::optional<async::BroadcastItem<core::SharedEvent>>> next_item(
    const Subscription& events, asio::cancellation_signal& wake) {
  try {
    const auto executor = co_await asio::this_coro::executor;
    auto receive = events->recv();
    auto token = asio::bind_cancellation_slot(wake.slot(), asio::use_awaitable);
    auto item = co_await asio::co_spawn(executor, std::move(receive), token);
    co_return item;
  } catch (const boost::system::system_error&) {
    co_return std::nullopt;
  }
}

asio::awaitable<void> forward_events(Subscription events, http::EventSink& sink) {
  const auto executor = co_await asio::this_coro::executor;
  const auto stop = co_await asio::this_coro::cancellation_state;
  asio::cancellation_signal wake;
  asio::steady_timer keep_alive(executor);
  for (;;) {
    if (stop.cancelled() != asio::cancellation_type::none) co_return;
    // The client's going away (raced around this loop) interrupts the wait as well.
    stop.slot().assign([&wake](asio::cancellation_type type) { wake.emit(type); });
    keep_alive.expires_after(kKeepAlive);
    // Runs on this strand; a timer cancelled below completes with an error and wakes nobody.
    keep_alive.async_wait([&wake](const boost::system::error_code& ec) {
      if (!ec) wake.emit(asio::cancellation_type::terminal);
    });
    auto next = co_await next_item(events, wake);
    stop.slot().clear();
    keep_alive.cancel();
    if (!next) {
      if (stop.cancelled() != asio::cancellation_type::none) co_return;
      const std::string comment = ":\n\n";
      if (!co_await sink.send(comment)) co_return;
      continue;
    }
    if (std::holds_alternative<async::Closed>(*next)) co_return;
    // A lag notice means events were lost to a slow reader; the stream goes on silently.
    if (std::holds_alternative<async::Lagged>(*next)) continue;
    auto text = core::event_to_json_text(*std::get<core::SharedEvent>(*next));
    const std::string chunk = "data: " + text.value_or("") + "\n\n";
    if (!co_await sink.send(chunk)) co_return;
  }
}

// Ends when the channel closes or the client goes away, whichever comes first; the
// subscription is released with it.
asio::awaitable<void> run_stream(Subscription events, http::EventSink& sink) {
  co_await (forward_events(events, sink) || sink.wait_closed());
}

}  // namespace

asio::awaitable<http::Response> session_stream(const AppState& state, http::Context& context) {
  auto events = std::make_shared<session::EventReceiver>();
  {
    auto sessions = co_await state.sessions->lock_shared();
    const auto found = sessions->find(context.params.at("id"));
    if (found != sessions->end()) {
      *events = found->second.event_sender.subscribe();
    } else {
      *events = async::make_broadcast<core::SharedEvent>(kClosedChannelCapacity).subscribe();
    }
  }
  http::Response response;
  response.content_type = texts::kTypeEventStream;
  response.stream = [events = std::move(events)](http::EventSink& sink) {
    return run_stream(events, sink);
  };
  co_return response;
}

}  // namespace brask::server::routes::stream
