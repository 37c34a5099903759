#include "brask/server/ws/handler.h"

#include <boost/asio/experimental/awaitable_operators.hpp>

#include "brask/core/event_json.h"
#include "brask/core/uuid.h"
#include "brask/server/http/readers.h"
#include "brask/server/texts.h"

namespace brask::server::ws {
namespace {

namespace asio = boost::asio;
using namespace asio::experimental::awaitable_operators;
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

asio::awaitable<void> forward_events(Subscription events, Socket socket) {
  for (;;) {
    auto item = co_await events->recv();
    if (std::holds_alternative<async::Closed>(item)) break;
    if (const auto* lagged = std::get_if<async::Lagged>(&item)) {
      // Built outside the co_await: g++ 12 miscompiles brace-initialised temporaries there.
      auto notice = lag_notice(lagged->skipped);
      (void)co_await socket->write_text(std::move(notice));
      continue;
    }
    auto text = core::event_to_json_text(*std::get<core::SharedEvent>(item));
    if (!co_await socket->write_text(text.value_or(""))) break;
  }
  socket->abort();  // ends the reader too
}

asio::awaitable<void> send_intervention(const AppState& state, const std::string& id,
                                        core::Intervention intervention) {
  auto sessions = co_await state.sessions->lock_shared();
  const auto found = sessions->find(id);
  // The outcome is not reported on this protocol: a full or closed channel drops it.
  if (found != sessions->end())
    (void)found->second.intervention_sender.try_send(std::move(intervention));
}

asio::awaitable<void> read_requests(const AppState& state, std::string id, Socket socket) {
  for (;;) {
    const Frame frame = co_await socket->read();
    if (frame.kind != Frame::Kind::Text) break;
    const auto message = http::parse_json_text(frame.data);
    if (!message) continue;
    const auto action = action_of(*message);
    if (action == "pause") {
      co_await send_intervention(
          state, id,
          core::intervention::Pause{std::string(texts::kReasonWsPause), core::Uuid::new_v4()});
    } else if (action == "resume") {
      co_await send_intervention(state, id, core::intervention::Resume{});
    } else if (action == "unsubscribe") {
      break;
    }
  }
  socket->abort();  // ends the event forwarding too
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
      (void)co_await socket->write_text(std::move(error));
      continue;
    }
    id = session_id->get<std::string>();
    auto subscribed = subscribed_notice(id);
    (void)co_await socket->write_text(std::move(subscribed));
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
  co_await (forward_events(events, socket) || read_requests(state, id, socket));
}

}  // namespace brask::server::ws
