#pragma once

#include <chrono>
#include <future>
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/thread_pool.hpp>
#include <boost/asio/use_future.hpp>

namespace brask::testing {

// Runs `task` on a pool of `threads` worker threads and returns its value.
template <typename T>
T run_on_pool(boost::asio::awaitable<T> task, std::size_t threads = 4) {
  boost::asio::thread_pool pool(threads);
  auto future = boost::asio::co_spawn(pool, std::move(task), boost::asio::use_future);
  if constexpr (std::is_void_v<T>) {
    future.get();
    pool.join();
  } else {
    auto value = future.get();
    pool.join();
    return value;
  }
}

// Runs the handlers that are ready, also after an earlier poll found the context out of work.
inline void pump(boost::asio::io_context& ctx) {
  ctx.restart();
  ctx.poll();
}

template <typename T>
bool is_ready(const std::future<T>& future) {
  return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

}  // namespace brask::testing
