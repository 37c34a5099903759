#include "brask/server/session/manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/use_future.hpp>

namespace brask::server::session {
namespace {

namespace asio = boost::asio;
using namespace std::chrono_literals;

// Runs a coroutine to completion on a two-thread runtime, as the server does.
template <typename T>
T run(asio::awaitable<T> work) {
  asio::io_context context;
  auto done = asio::co_spawn(asio::make_strand(context), std::move(work), asio::use_future);
  std::thread helper([&] { context.run(); });
  context.run();
  helper.join();
  return done.get();
}

asio::awaitable<RunEnds> insert(SessionStore store, std::string id) {
  RunEnds ends;
  auto record = SessionState::create(id, "t", "LangGraph", "nope", &ends);
  auto sessions = co_await store->lock();
  sessions->emplace(id, std::move(record));
  co_return ends;
}

TEST(SessionManager, RunRecordsOutcomeEventsAndBroadcastsEveryEvent) {
  auto store = new_store();
  const auto [state, received] =
      run([&]() -> asio::awaitable<std::pair<SessionState, std::size_t>> {
        SpawnOptions options;
        options.ends = co_await insert(store, "s1");
        EventReceiver events;
        {
          auto sessions = co_await store->lock_shared();
          events = sessions->at("s1").event_sender.subscribe();
        }
        co_await spawn_session(store, "s1", "t", "LangGraph", "nope", std::move(options));
        std::size_t count = 0;
        while (auto item = events.try_recv()) {
          EXPECT_TRUE(std::holds_alternative<core::SharedEvent>(*item));
          ++count;
        }
        auto sessions = co_await store->lock_shared();
        const auto& s = sessions->at("s1");
        SessionState copy;
        copy.status = s.status;
        copy.created_at = s.created_at;
        copy.completed_at = s.completed_at;
        copy.result = s.result;
        copy.events = s.events;
        co_return std::pair{std::move(copy), count};
      }());
  EXPECT_EQ(state.status, SessionStatus::Completed);
  ASSERT_TRUE(state.result.has_value());
  EXPECT_TRUE(state.result->success);
  EXPECT_EQ(state.result->agent_id, "s1");
  ASSERT_TRUE(state.completed_at.has_value());
  EXPECT_GE(*state.completed_at, state.created_at);
  // Five turns: 22 agent events and the runtime's own start, each recorded and broadcast once.
  EXPECT_EQ(state.events->size(), 23U);
  EXPECT_EQ(received, 23U);
}

TEST(SessionManager, InterventionsReachOnlyARunningSessionAndDeleteCancelsIt) {
  auto store = new_store();
  const auto [while_running, after_delete, took] =
      run([&]() -> asio::awaitable<std::tuple<async::SendStatus, async::SendStatus,
                                              std::chrono::steady_clock::duration>> {
        SpawnOptions options;
        options.ends = co_await insert(store, "s2");
        options.turns = 1000;
        options.event_interval = 5ms;  // a run of about 20 s unless cancelled
        InterventionSender sender;
        async::Watch<bool> cancel;
        {
          auto sessions = co_await store->lock_shared();
          sender = sessions->at("s2").intervention_sender;
          cancel = sessions->at("s2").cancel_sender;
        }
        auto executor = co_await asio::this_coro::executor;
        auto finished = asio::co_spawn(
            executor, spawn_session(store, "s2", "t", "solo", "solo", std::move(options)),
            asio::use_awaitable);
        asio::steady_timer timer(executor, 100ms);
        co_await timer.async_wait(asio::use_awaitable);
        const auto first = sender.try_send(core::intervention::Resume{});
        const auto start = std::chrono::steady_clock::now();
        {
          auto sessions = co_await store->lock();
          cancel.set(true);
          sessions->erase("s2");
        }
        co_await std::move(finished);
        const auto took = std::chrono::steady_clock::now() - start;
        co_return std::tuple{first, sender.try_send(core::intervention::Resume{}), took};
      }());
  EXPECT_EQ(while_running, async::SendStatus::ok);
  EXPECT_NE(after_delete, async::SendStatus::ok);
  EXPECT_LT(took, 5s);
}

}  // namespace
}  // namespace brask::server::session
