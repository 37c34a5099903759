#include "brask/async/broadcast.h"

#include <future>
#include <vector>

#include <gtest/gtest.h>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_future.hpp>

#include "async/pool.h"

namespace brask::async {
namespace {

namespace asio = boost::asio;
using brask::testing::is_ready;
using brask::testing::pump;

// What a receiver saw until the channel closed.
struct Seen {
  std::vector<int> values;
  std::vector<std::uint64_t> lags;
};

asio::awaitable<Seen> drain(BroadcastReceiver<int> rx) {
  Seen seen;
  for (;;) {
    auto item = co_await rx.recv();
    if (auto* value = std::get_if<int>(&item)) {
      seen.values.push_back(*value);
    } else if (auto* lag = std::get_if<Lagged>(&item)) {
      seen.lags.push_back(lag->skipped);
    } else {
      co_return seen;
    }
  }
}

TEST(Broadcast, EverySubscriberGetsEveryLaterValueThenClosed) {
  asio::io_context ctx;
  auto tx = make_broadcast<int>(8);
  EXPECT_EQ(tx.send(0), 0u);  // nobody listening: dropped
  auto a = asio::co_spawn(ctx, drain(tx.subscribe()), asio::use_future);
  EXPECT_EQ(tx.send(1), 1u);
  auto b = asio::co_spawn(ctx, drain(tx.subscribe()), asio::use_future);
  EXPECT_EQ(tx.send(2), 2u);
  pump(ctx);
  EXPECT_FALSE(is_ready(a));
  EXPECT_EQ(tx.send(3), 2u);
  tx.reset();
  pump(ctx);
  ASSERT_TRUE(is_ready(a) && is_ready(b));
  EXPECT_EQ(a.get().values, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(b.get().values, (std::vector<int>{2, 3}));
}

TEST(Broadcast, SlowReceiverIsToldHowManyItMissedAndResumesWithOldestHeld) {
  auto tx = make_broadcast<int>(4);
  auto rx = tx.subscribe();
  for (int i = 0; i < 10; ++i) EXPECT_EQ(tx.send(i), 1u);  // never waits
  EXPECT_EQ(rx.try_recv(), BroadcastItem<int>(Lagged{6}));
  for (int expected = 6; expected < 10; ++expected) {
    EXPECT_EQ(rx.try_recv(), BroadcastItem<int>(expected));
  }
  EXPECT_EQ(rx.try_recv(), std::nullopt);  // nothing yet, sender alive
  tx.reset();
  EXPECT_EQ(rx.try_recv(), BroadcastItem<int>(Closed{}));
}

TEST(Broadcast, ChannelWhoseSenderIsDroppedAtOnceIsAlreadyClosed) {
  asio::io_context ctx;
  auto tx = make_broadcast<int>(16);
  auto rx = tx.subscribe();
  tx.reset();
  auto seen = asio::co_spawn(ctx, drain(std::move(rx)), asio::use_future);
  pump(ctx);
  ASSERT_TRUE(is_ready(seen));
  EXPECT_TRUE(seen.get().values.empty());
}

TEST(Broadcast, ReceiversOnPoolAccountForEveryValueAsReceivedOrSkipped) {
  constexpr int kValues = 20000;
  asio::thread_pool pool(4);
  auto tx = make_broadcast<int>(16);
  std::vector<std::future<Seen>> receivers;
  for (int r = 0; r < 3; ++r) {
    receivers.push_back(asio::co_spawn(pool, drain(tx.subscribe()), asio::use_future));
  }
  auto sender = [](BroadcastSender<int> tx) -> asio::awaitable<void> {
    for (int i = 0; i < kValues; ++i) tx.send(i);
    co_return;
  };
  asio::co_spawn(pool, sender(std::move(tx)), asio::use_future).get();
  for (auto& receiver : receivers) {
    const Seen seen = receiver.get();
    std::uint64_t skipped = 0;
    for (auto lag : seen.lags) skipped += lag;
    EXPECT_EQ(seen.values.size() + skipped, static_cast<std::size_t>(kValues));
    for (std::size_t i = 1; i < seen.values.size(); ++i) {
      ASSERT_LT(seen.values[i - 1], seen.values[i]);
    }
    ASSERT_FALSE(seen.values.empty());
    EXPECT_EQ(seen.values.back(), kValues - 1);  // the newest is never lost
  }
  pool.join();
}

}  // namespace
}  // namespace brask::async
