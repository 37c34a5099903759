#include "brask/async/watch.h"

#include <chrono>
#include <thread>

#include <gtest/gtest.h>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/use_future.hpp>

#include "async/pool.h"

namespace brask::async {
namespace {

namespace asio = boost::asio;
using brask::testing::is_ready;
using brask::testing::pump;

TEST(Watch, WaitersWakeOnSetFromAnotherThread) {
  asio::thread_pool pool(2);
  Watch<bool> cancel(false);
  auto until_true =
      asio::co_spawn(pool, cancel.wait_until([](bool value) { return value; }), asio::use_future);
  auto next_change = asio::co_spawn(pool, cancel.changed(0), asio::use_future);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(is_ready(until_true));
  cancel.set(true);  // from the test thread, outside the pool
  EXPECT_TRUE(until_true.get());
  EXPECT_TRUE(next_change.get());
  EXPECT_TRUE(cancel.get());
  pool.join();
}

TEST(Watch, ChangedSinceAVersionDoesNotMissASetInBetween) {
  asio::io_context ctx;
  Watch<int> value(1);
  const auto version = value.version();
  value.set(2);  // before anyone waits
  auto changed = asio::co_spawn(ctx, value.changed(version), asio::use_future);
  auto holds =
      asio::co_spawn(ctx, value.wait_until([](int v) { return v == 2; }), asio::use_future);
  pump(ctx);
  ASSERT_TRUE(is_ready(changed) && is_ready(holds));
  EXPECT_EQ(changed.get(), 2);

  auto next = asio::co_spawn(ctx, value.changed(), asio::use_future);
  pump(ctx);
  EXPECT_FALSE(is_ready(next));
  value.set(2);  // an equal value still counts as a change
  pump(ctx);
  ASSERT_TRUE(is_ready(next));
  EXPECT_EQ(next.get(), 2);
}

TEST(Watch, CancelledWaitDoesNotHangItsCaller) {
  using namespace asio::experimental::awaitable_operators;
  Watch<bool> flag(false);
  auto task = [](Watch<bool> flag) -> asio::awaitable<std::size_t> {
    asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::milliseconds(10));
    auto winner = co_await (flag.changed() || timer.async_wait(asio::use_awaitable));
    co_return winner.index();
  };
  EXPECT_EQ(brask::testing::run_on_pool(task(flag)), 1u);
}

}  // namespace
}  // namespace brask::async
