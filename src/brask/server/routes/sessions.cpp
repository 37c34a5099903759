#include "brask/server/routes/sessions.h"

#include <algorithm>
#include <cmath>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/this_coro.hpp>

#include "brask/core/uuid.h"
#include "brask/server/http/readers.h"
#include "brask/server/session/manager.h"
#include "brask/server/session/view.h"
#include "brask/server/texts.h"

namespace brask::server::routes::sessions {
namespace {

namespace asio = boost::asio;
using nlohmann::json;
using session::SessionState;

std::string text_member(const json& body, const char* name, std::string_view otherwise) {
  if (body.is_object()) {
    const auto found = body.find(name);
    if (found != body.end() && found->is_string()) return found->get<std::string>();
  }
  return std::string(otherwise);
}

// A numeric member clamped into [low, high]; any other type gives the default.
std::uint32_t clamped_member(const json& body, const char* name, std::uint32_t low,
                             std::uint32_t high, std::uint32_t otherwise) {
  if (!body.is_object()) return otherwise;
  const auto found = body.find(name);
  if (found == body.end() || !found->is_number()) return otherwise;
  if (found->is_number_unsigned()) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(found->get<std::uint64_t>(), high));
  }
  if (found->is_number_integer()) {
    const auto value = found->get<std::int64_t>();
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, low, high));
  }
  const double value = std::trunc(found->get<double>());
  return static_cast<std::uint32_t>(
      std::clamp(value, static_cast<double>(low), static_cast<double>(high)));
}

template <typename Make>
asio::awaitable<Response> send_intervention(const AppState& state, const std::string& id,
                                            const char* member, Make make) {
  auto sessions = co_await state.sessions->lock_shared();
  const auto found = sessions->find(id);
  if (found == sessions->end()) {
    co_return Response::json(json{{"error", texts::kSessionNotFound}});
  }
  const bool sent = found->second.intervention_sender.try_send(make()) == async::SendStatus::ok;
  co_return Response::json(
      json{{member, id}, {"status", sent ? texts::kStatusOk : texts::kStatusChannelFull}});
}

}  // namespace

asio::awaitable<Response> list(const AppState& state, Context&) {
  auto sessions = co_await state.sessions->lock_shared();
  std::vector<json> summaries;
  summaries.reserve(sessions->size());
  for (const auto& [id, record] : *sessions) summaries.push_back(session::summary_json(record));
  // Newest first by the time text; a summary without one goes last.
  const auto created = [](const json& summary) -> std::string {
    const auto found = summary.find("created_at");
    return found != summary.end() && found->is_string() ? found->get<std::string>() : "";
  };
  std::stable_sort(summaries.begin(), summaries.end(),
                   [&](const json& a, const json& b) { return created(a) > created(b); });
  const auto total = summaries.size();
  co_return Response::json(json{{"sessions", std::move(summaries)}, {"total", total}});
}

asio::awaitable<Response> create(const AppState& state, Context& context) {
  auto body = http::read_json_body(context.request);
  if (!body) co_return std::move(body.error());
  session::SpawnOptions options;
  const auto task = text_member(*body, "task", texts::kDefaultTask);
  const auto agent_type = text_member(*body, "agent_type", texts::kDefaultName);
  const auto preset = text_member(*body, "preset", texts::kDefaultName);
  options.turns = clamped_member(*body, "turns", 0, session::kMaxTurns, session::kDefaultTurns);
  options.event_interval = std::chrono::milliseconds(
      clamped_member(*body, "event_interval_ms", 0, session::kMaxEventIntervalMs, 0));

  const auto id = core::new_uuid_text();
  auto record = SessionState::create(id, task, agent_type, preset, &options.ends);
  {
    auto sessions = co_await state.sessions->lock();
    sessions->emplace(id, std::move(record));
  }
  // The run is a task of its own; answer once it has marked the session running.
  async::Watch<bool> running(false);
  options.running = running;
  // Each step on its own line: g++ 12 mishandles temporaries that live across a co_await.
  const auto executor = session::run_executor(co_await asio::this_coro::executor);
  asio::co_spawn(
      executor,
      session::spawn_session(state.sessions, id, task, agent_type, preset, std::move(options)),
      asio::detached);
  const auto is_running = [](bool value) { return value; };
  co_await running.wait_until(is_running);
  co_return Response::json(json{{"id", id},
                                {"status", session::status_text(session::SessionStatus::Running)},
                                {"task", task},
                                {"agent_type", agent_type},
                                {"preset", preset}});
}

asio::awaitable<Response> get(const AppState& state, Context& context) {
  const auto& id = context.params.at("id");
  auto sessions = co_await state.sessions->lock_shared();
  const auto found = sessions->find(id);
  if (found == sessions->end()) {
    co_return Response::json(json{{"error", texts::kSessionNotFound}, {"id", id}});
  }
  co_return Response::json(session::detail_json(found->second));
}

asio::awaitable<Response> remove(const AppState& state, Context& context) {
  const auto& id = context.params.at("id");
  {
    auto sessions = co_await state.sessions->lock();
    const auto found = sessions->find(id);
    if (found != sessions->end()) {
      found->second.cancel_sender.set(true);
      sessions->erase(found);
    }
  }
  co_return Response::json(json{{"deleted", id}});
}

asio::awaitable<Response> pause(const AppState& state, Context& context) {
  co_return co_await send_intervention(state, context.params.at("id"), "paused", [] {
    return core::Intervention(
        core::intervention::Pause{std::string(texts::kReasonUserPause), core::Uuid::new_v4()});
  });
}

asio::awaitable<Response> resume(const AppState& state, Context& context) {
  co_return co_await send_intervention(state, context.params.at("id"), "resumed", [] {
    return core::Intervention(core::intervention::Resume{});
  });
}

asio::awaitable<Response> checkpoints(const AppState&, Context&) {
  co_return Response::json(
      json{{"checkpoints", json::array()}, {"message", texts::kCheckpointsMessage}});
}

}  // namespace brask::server::routes::sessions
