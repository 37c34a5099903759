#include "brask/server/routes/stream.h"

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

// A plain struct, so that racing it against the timer does not merge the two alternatives.
struct Next {
  async::BroadcastItem<core::SharedEvent> item;
};

asio::awaitable<Next> next_item(Subscription events) {
  co_return Next{co_await events->recv()};
}

asio::awaitable<void> forward_events(Subscription events, http::EventSink& sink) {
  asio::steady_timer keep_alive(co_await asio::this_coro::executor);
  for (;;) {
    keep_alive.expires_after(kKeepAlive);
    auto next = co_await (next_item(events) || keep_alive.async_wait(asio::use_awaitable));
    if (next.index() == 1) {
      if (!co_await sink.send(":\n\n")) co_return;
      continue;
    }
    auto& item = std::get<0>(next).item;
    if (std::holds_alternative<async::Closed>(item)) co_return;
    // A lag notice means events were lost to a slow reader; the stream goes on silently.
    if (std::holds_alternative<async::Lagged>(item)) continue;
    auto text = core::event_to_json_text(*std::get<core::SharedEvent>(item));
    if (!co_await sink.send("data: " + text.value_or("") + "\n\n")) co_return;
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
