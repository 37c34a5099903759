#pragma once

#include <exception>
#include <optional>
#include <type_traits>
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>

namespace brask::harness {

namespace detail {
// The calling thread's own event loop, made on first use and kept for the thread's life.
boost::asio::io_context& thread_context();
}  // namespace detail

// Runs `task` to completion on the calling thread and returns its value (or rethrows what it
// threw). A run needs no worker pool: its tasks take turns on this thread. Called from inside a
// task already running on this thread's loop, it uses a loop of its own instead.
template <typename T>
T run_blocking(boost::asio::awaitable<T> task) {
  auto* context = &detail::thread_context();
  std::optional<boost::asio::io_context> nested;
  if (context->get_executor().running_in_this_thread()) context = &nested.emplace();

  std::exception_ptr error;
  if constexpr (std::is_void_v<T>) {
    boost::asio::co_spawn(*context, std::move(task),
                          [&error](std::exception_ptr e) { error = std::move(e); });
    context->restart();
    context->run();
    if (error) std::rethrow_exception(error);
  } else {
    std::optional<T> value;
    boost::asio::co_spawn(*context, std::move(task), [&](std::exception_ptr e, T result) {
      error = std::move(e);
      if (!error) value.emplace(std::move(result));
    });
    context->restart();
    context->run();
    if (error) std::rethrow_exception(error);
    return std::move(*value);
  }
}

}  // namespace brask::harness
