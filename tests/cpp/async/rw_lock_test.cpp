#include "brask/async/rw_lock.h"

#include <chrono>
#include <future>
#include <vector>

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

using Lock = RwLock<int>;

asio::awaitable<int> read_value(const Lock& lock) {
  auto guard = co_await lock.lock_shared();
  co_return *guard;
}

asio::awaitable<void> write_value(const Lock& lock, int value) {
  auto guard = co_await lock.lock();
  *guard = value;
}

TEST(RwLock, ReadersShareWritersWaitAndAWaitingWriterHoldsBackNewReaders) {
  asio::io_context ctx;
  Lock lock(1);
  auto first = lock.try_lock_shared();
  auto second = lock.try_lock_shared();
  ASSERT_TRUE(first && second);  // many readers at once

  auto writer = asio::co_spawn(ctx, write_value(lock, 2), asio::use_future);
  pump(ctx);
  EXPECT_FALSE(is_ready(writer));
  auto late_reader = asio::co_spawn(ctx, read_value(lock), asio::use_future);
  pump(ctx);
  EXPECT_FALSE(is_ready(late_reader));  // queued behind the writer
  EXPECT_FALSE(lock.try_lock_shared());

  first.reset();
  pump(ctx);
  EXPECT_FALSE(is_ready(writer));
  second.reset();
  pump(ctx);
  ASSERT_TRUE(is_ready(writer));
  writer.get();
  ASSERT_TRUE(is_ready(late_reader));
  EXPECT_EQ(late_reader.get(), 2);  // it read after the write
}

TEST(RwLock, WritersOnPoolAreExclusive) {
  constexpr int kTasks = 8;
  constexpr int kIncrements = 500;
  asio::thread_pool pool(4);
  Lock lock(0);
  auto add = [](const Lock& lock) -> asio::awaitable<void> {
    for (int i = 0; i < kIncrements; ++i) {
      auto guard = co_await lock.lock();
      const int before = *guard;
      co_await asio::post(co_await asio::this_coro::executor, asio::use_awaitable);  // yield
      *guard = before + 1;
    }
  };
  auto readers_see = [](const Lock& lock) -> asio::awaitable<bool> {
    for (int i = 0; i < kIncrements; ++i) {
      auto guard = co_await lock.lock_shared();
      if (*guard < 0) co_return false;
    }
    co_return true;
  };
  std::vector<std::future<void>> writers;
  for (int t = 0; t < kTasks; ++t) {
    writers.push_back(asio::co_spawn(pool, add(lock), asio::use_future));
  }
  auto reader = asio::co_spawn(pool, readers_see(lock), asio::use_future);
  for (auto& w : writers) w.get();
  EXPECT_TRUE(reader.get());
  pool.join();
  EXPECT_EQ(lock.try_lock_shared().value().operator*(), kTasks * kIncrements);
}

TEST(RwLock, CancelledWaitingWriterLetsReadersIn) {
  using namespace asio::experimental::awaitable_operators;
  Lock lock(5);
  auto task = [](const Lock& lock) -> asio::awaitable<int> {
    auto reader = co_await lock.lock_shared();
    asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::milliseconds(10));
    auto winner = co_await (lock.lock() || timer.async_wait(asio::use_awaitable));
    EXPECT_EQ(winner.index(), 1u);
    // Without the writer's withdrawal, this reader would queue behind it for ever.
    auto second = co_await lock.lock_shared();
    co_return *second;
  };
  EXPECT_EQ(brask::testing::run_on_pool(task(lock)), 5);
}

}  // namespace
}  // namespace brask::async
