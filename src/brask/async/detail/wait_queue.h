#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include <functional>

#include <boost/asio/associated_cancellation_slot.hpp>
#include <boost/asio/associated_executor.hpp>
#include <boost/asio/async_result.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/cancellation_signal.hpp>
#include <boost/asio/execution/outstanding_work.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/prefer.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/container/deque.hpp>
#include <boost/system/error_code.hpp>

namespace brask::async::detail {

// Tasks suspended until some state of a primitive changes. The primitive guards its state and its
// queues with one mutex; a woken task re-checks the state itself, so a wake-up is only a hint and
// a spurious one is harmless.
//
// Lost wake-ups are ruled out by the generation: a task reads it under the mutex together with the
// state it found wanting, releases the mutex, and then waits; a notify that slipped in between has
// moved the generation on, and the wait completes at once.
//
// A waiting task holds outstanding work on its executor, as a pending timer would, and its
// completion is always posted to that executor, never run inside the notifier. Waits honour
// per-operation cancellation (a cancelled wait completes with operation_aborted).
class WaitQueue {
 public:
  // Posts the waiting task's completion to its executor.
  using Completion = std::move_only_function<void(boost::system::error_code)>;

  explicit WaitQueue(std::mutex& mutex) : mutex_(&mutex) {}
  WaitQueue(const WaitQueue&) = delete;
  WaitQueue& operator=(const WaitQueue&) = delete;

  // Read under the mutex, before releasing it to wait.
  std::uint64_t generation() const { return generation_; }

  // Both with the mutex held.
  void notify_one();
  void notify_all();

  // Suspends the calling task until a notify later than `seen`. `owner` is the shared state that
  // holds this queue: a late cancellation finds the queue through it, or finds it gone.
  boost::asio::awaitable<void> wait(std::weak_ptr<const void> owner, std::uint64_t seen) {
    namespace asio = boost::asio;
    return asio::async_initiate<const asio::use_awaitable_t<>&, void(boost::system::error_code)>(
        [this, owner = std::move(owner), seen](auto handler) mutable {
          auto slot = asio::get_associated_cancellation_slot(handler);
          // Outstanding work keeps the executor's run loop alive while the task waits.
          auto executor = asio::prefer(asio::get_associated_executor(handler),
                                       asio::execution::outstanding_work.tracked);
          enqueue(std::move(owner), seen, slot,
                  [executor, handler = std::move(handler)](boost::system::error_code ec) mutable {
                    // Never inline: notifiers hold the owner's mutex.
                    asio::post(executor, [handler = std::move(handler), ec]() mutable {
                      std::move(handler)(ec);
                    });
                  });
        },
        asio::use_awaitable);
  }

 private:
  struct Waiter {
    std::uint64_t id;
    Completion completion;
  };

  void enqueue(std::weak_ptr<const void> owner, std::uint64_t seen,
               boost::asio::cancellation_slot slot, Completion completion);
  void cancel(std::uint64_t id);

  std::mutex* mutex_;
  boost::container::deque<Waiter> waiters_;
  std::uint64_t generation_ = 0;
  std::uint64_t next_id_ = 0;
};

// True when the calling coroutine has been asked to stop; a woken consumer checks this before it
// takes a value that its cancelled caller would throw away.
boost::asio::awaitable<bool> cancellation_requested();

// Throws operation_aborted, as a cancelled asio operation does.
[[noreturn]] void throw_aborted();

}  // namespace brask::async::detail
