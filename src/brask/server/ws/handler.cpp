#include "brask/server/ws/handler.h"

#include <boost/asio/bind_cancellation_slot.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "brask/core/event_json.h"
#include "brask/core/uuid.h"
#include "brask/server/http/readers.h"
#include "brask/server/texts.h"

namespace brask::server::ws {
namespace {

namespace asio = boost::asio;
using http::Frame;
using nlohmann::json;
using Socket = std::shared_ptr<http::WebSocket>;
using Subscription = std::shared_ptr<session::EventReceiver>;

std::string action_of(const json& message) {
  if (!message.is_object()) return {};
  const auto found = message.find("action");
  return found != message.end() && found->is_string() ? found->get<std::string>() : std::string{};
}

std::string lag_notice(std::uint64_t skipped) {
  return json{{"event", "lagged"}, {"skipped", skipped}}.dump();
}

std::string subscribed_notice(const std::string& id) {
  return json{{"event", "subscribed"}, {"session_id", id}}.dump();
}

std::string subscribe_error() {
  return json{{"event", "error"}, {"message", texts::kWsSubscribeError}}.dump();
}

// The transport is never handed a cancellation: each side ends the other by closing the socket,
// and the only wait that is cancelled is the one for the next event.
struct Phase {
  Socket socket;
  Subscription events;
  asio::cancellation_signal stop_waiting;
  bool ended = false;  // both sides run on the connection's strand
};

asio::awaitable<async::BroadcastItem<core::SharedEvent>> next_event(
    const std::shared_ptr<Phase>& phase) {
  const auto executor = co_await asio::this_coro::executor;
  auto receive = phase->events->recv();
  auto token = asio::bind_cancellation_slot(phase->stop_waiting.slot(), asio::use_awaitable);
  auto item = co_await asio::co_spawn(executor, std::move(receive), token);
  co_return item;
}

asio::awaitable<void> forward_events(std::shared_ptr<Phase> phase) {
  try {
    while (!phase->ended) {
      auto item = co_await next_event(phase);
      if (std::holds_alternative<async::Closed>(item)) break;
      if (const auto* lagged = std::get_if<async::Lagged>(&item)) {
        // Built outside the co_await: g++ 12 miscompiles brace-initialised temporaries there.
        auto notice = lag_notice(lagged->skipped);
        (void)co_await phase->socket->write_text(notice);
        continue;
      }
      const auto text = core::event_to_json_text(*std::get<core::SharedEvent>(item)).value_or("");
      if (!co_await phase->socket->write_text(text)) break;
    }
  } catch (const boost::system::system_error&) {
    // The reader ended the connection while this waited for an event.
  }
  phase->ended = true;
  phase->socket->abort();  // ends the reader too
}

asio::awaitable<void> send_intervention(const AppState& state, const std::string& id,
                                        core::Intervention& intervention) {
  auto sessions = co_await state.sessions->lock_shared();
  const auto found = sessions->find(id);
  // The outcome is not reported on this protocol: a full or closed channel drops it.
  if (found != sessions->end())
    (void)found->second.intervention_sender.try_send(std::move(intervention));
}

asio::awaitable<void> read_requests(const AppState& state, std::string id,
                                    std::shared_ptr<Phase> phase) {
  const auto& socket = phase->socket;
  for (;;) {
    const Frame frame = co_await socket->read();
    if (frame.kind != Frame::Kind::Text) break;
    const auto message = http::parse_json_text(frame.data);
    if (!message) continue;
    const auto action = action_of(*message);
    if (action == "pause" || action == "resume") {
      // A named value, not a temporary across the co_await (g++ 12 frees those twice).
      core::Intervention intervention = core::intervention::Resume{};
      if (action == "pause") {
        intervention =
            core::intervention::Pause{std::string(texts::kReasonWsPause), core::Uuid::new_v4()};
      }
      co_await send_intervention(state, id, intervention);
    } else if (action == "unsubscribe") {
      break;
    }
  }
  phase->ended = true;
  socket->abort();  // ends the event forwarding too
  phase->stop_waiting.emit(asio::cancellation_type::terminal);
}

}  // namespace

asio::awaitable<void> handle_socket(const AppState& state, Socket socket) {
  // Waiting for a valid subscribe request.
  std::string id;
  Subscription events;
  for (;;) {
    const Frame frame = co_await socket->read();
    if (frame.kind == Frame::Kind::End) co_return;
    if (frame.kind != Frame::Kind::Text) continue;
    const auto message = http::parse_json_text(frame.data);
    if (!message) continue;
    const auto session_id = message->is_object() ? message->find("session_id") : message->end();
    if (action_of(*message) != "subscribe" || !message->is_object() ||
        session_id == message->end() || !session_id->is_string()) {
      auto error = subscribe_error();
      (void)co_await socket->write_text(error);
      continue;
    }
    id = session_id->get<std::string>();
    auto subscribed = subscribed_notice(id);
    (void)co_await socket->write_text(subscribed);
    {
      auto sessions = co_await state.sessions->lock_shared();
      const auto found = sessions->find(id);
      if (found == sessions->end()) co_return;  // unknown session: close without another word
      events = std::make_shared<session::EventReceiver>(found->second.event_sender.subscribe());
    }
    break;
  }
  // Subscribed: events out, requests in, until either side ends.
  socket->report_control(true);
  auto phase = std::make_shared<Phase>();
  phase->socket = socket;
  phase->events = std::move(events);
  const auto executor = co_await asio::this_coro::executor;
  asio::co_spawn(executor, forward_events(phase), asio::detached);
  co_await read_requests(state, std::move(id), std::move(phase));
}

}  // namespace brask::server::ws
