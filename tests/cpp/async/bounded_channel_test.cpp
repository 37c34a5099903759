#include "brask/async/bounded_channel.h"

#include <chrono>
#include <map>
#include <string>
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

asio::awaitable<void> send_range(Sender<int> tx, int from, int count) {
  for (int i = from; i < from + count; ++i) {
    EXPECT_EQ(co_await tx.send(i), SendStatus::ok);
  }
}

asio::awaitable<std::vector<int>> collect(Receiver<int> rx) {
  std::vector<int> out;
  while (auto value = co_await rx.receive()) out.push_back(*value);
  co_return out;
}

TEST(BoundedChannel, ConcurrentSendersOnPoolDeliverEverythingOnceInSenderOrder) {
  constexpr int kSenders = 6;
  constexpr int kPerSender = 2000;
  asio::thread_pool pool(4);
  auto [tx, rx] = make_bounded_channel<int>(8);
  auto received = asio::co_spawn(pool, collect(std::move(rx)), asio::use_future);
  std::vector<std::future<void>> senders;
  for (int s = 0; s < kSenders; ++s) {
    senders.push_back(
        asio::co_spawn(pool, send_range(tx, s * kPerSender, kPerSender), asio::use_future));
  }
  tx.reset();  // the receiver ends once the spawned senders are done
  for (auto& sender : senders) sender.get();
  const auto values = received.get();
  pool.join();

  ASSERT_EQ(values.size(), static_cast<std::size_t>(kSenders * kPerSender));
  std::map<int, int> last_of_sender;
  std::vector<bool> seen(values.size(), false);
  for (int v : values) {
    ASSERT_FALSE(seen[static_cast<std::size_t>(v)]) << v;
    seen[static_cast<std::size_t>(v)] = true;
    auto [it, fresh] = last_of_sender.try_emplace(v / kPerSender, v);
    if (!fresh) {
      EXPECT_LT(it->second, v);
      it->second = v;
    }
  }
}

TEST(BoundedChannel, SendWaitsForRoomAndTrySendReportsFull) {
  asio::io_context ctx;
  auto [tx, rx] = make_bounded_channel<std::string>(1);
  EXPECT_EQ(tx.try_send("a"), SendStatus::ok);
  EXPECT_EQ(tx.try_send("b"), SendStatus::full);

  auto waiting = asio::co_spawn(ctx, tx.send("c"), asio::use_future);
  pump(ctx);
  EXPECT_FALSE(is_ready(waiting));  // suspended, not failed

  EXPECT_EQ(rx.try_receive(), "a");
  pump(ctx);
  ASSERT_TRUE(is_ready(waiting));
  EXPECT_EQ(waiting.get(), SendStatus::ok);
  EXPECT_EQ(rx.try_receive(), "c");
  EXPECT_EQ(rx.try_receive(), std::nullopt);
}

TEST(BoundedChannel, DroppingTheReceiverFailsWaitingAndLaterSendsAtOnce) {
  asio::io_context ctx;
  auto [tx, rx] = make_bounded_channel<int>(1);
  EXPECT_EQ(tx.try_send(1), SendStatus::ok);
  auto waiting = asio::co_spawn(ctx, tx.send(2), asio::use_future);
  pump(ctx);
  ASSERT_FALSE(is_ready(waiting));

  { auto gone = std::move(rx); }
  pump(ctx);
  ASSERT_TRUE(is_ready(waiting));
  EXPECT_EQ(waiting.get(), SendStatus::closed);
  EXPECT_EQ(tx.try_send(3), SendStatus::closed);
  EXPECT_TRUE(tx.is_closed());
  auto later = asio::co_spawn(ctx, tx.send(4), asio::use_future);
  pump(ctx);
  EXPECT_EQ(later.get(), SendStatus::closed);
}

TEST(BoundedChannel, ReceiverEndsAfterBufferedValuesOnceEverySenderIsGone) {
  asio::io_context ctx;
  auto [tx, rx] = make_bounded_channel<int>(4);
  auto copy = tx;
  EXPECT_EQ(tx.try_send(1), SendStatus::ok);
  EXPECT_EQ(copy.try_send(2), SendStatus::ok);
  tx.reset();
  EXPECT_FALSE(rx.is_finished());  // the copy still counts

  auto all = asio::co_spawn(ctx, collect(std::move(rx)), asio::use_future);
  pump(ctx);
  EXPECT_FALSE(is_ready(all));  // read 1 and 2, now waiting for the copy
  copy.reset();
  pump(ctx);
  ASSERT_TRUE(is_ready(all));
  EXPECT_EQ(all.get(), (std::vector<int>{1, 2}));
}

TEST(BoundedChannel, CloseRefusesSendsButKeepsBufferedValues) {
  asio::io_context ctx;
  auto [tx, rx] = make_bounded_channel<int>(2);
  EXPECT_EQ(tx.try_send(1), SendStatus::ok);
  EXPECT_EQ(tx.try_send(2), SendStatus::ok);
  auto waiting = asio::co_spawn(ctx, tx.send(3), asio::use_future);
  pump(ctx);
  rx.close();
  pump(ctx);
  EXPECT_EQ(waiting.get(), SendStatus::closed);
  EXPECT_EQ(tx.try_send(4), SendStatus::closed);

  auto all = asio::co_spawn(ctx, collect(std::move(rx)), asio::use_future);
  pump(ctx);
  ASSERT_TRUE(is_ready(all));  // ends although a sender is alive
  EXPECT_EQ(all.get(), (std::vector<int>{1, 2}));
}

TEST(BoundedChannel, CancelledReceiveLeavesLaterValuesForTheNextReceive) {
  using namespace asio::experimental::awaitable_operators;
  auto [tx, rx] = make_bounded_channel<int>(4);
  auto task = [](Receiver<int>& rx, Sender<int>& tx) -> asio::awaitable<std::optional<int>> {
    asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::milliseconds(20));
    auto first = co_await (rx.receive() || timer.async_wait(asio::use_awaitable));
    EXPECT_EQ(first.index(), 1u);  // the timer won; the receive was cancelled, not left hanging
    EXPECT_EQ(tx.try_send(7), SendStatus::ok);
    co_return co_await rx.receive();
  };
  EXPECT_EQ(brask::testing::run_on_pool(task(rx, tx)), 7);
}

}  // namespace
}  // namespace brask::async
