#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

#include <boost/asio/awaitable.hpp>

#include "brask/async/detail/wait_queue.h"

namespace brask::async {

// The receiver fell behind: `skipped` values were overwritten before it read them.
struct Lagged {
  std::uint64_t skipped = 0;
  bool operator==(const Lagged&) const = default;
};
// Every sender is gone and the receiver has read all that is held.
struct Closed {
  bool operator==(const Closed&) const = default;
};

template <typename T>
using BroadcastItem = std::variant<T, Lagged, Closed>;

namespace detail {

// The channel holds the last `capacity` values in a ring addressed by sequence number; each
// receiver keeps the sequence number of the next value it wants.
template <typename T>
struct BroadcastState {
  explicit BroadcastState(std::size_t cap) : capacity(cap == 0 ? 1 : cap) {}

  std::mutex mutex;
  std::deque<T> held;
  std::uint64_t first_seq = 0;  // sequence number of held.front()
  const std::size_t capacity;
  std::size_t senders = 0;
  std::size_t receivers = 0;
  WaitQueue arrivals{mutex};

  std::uint64_t next_seq() const { return first_seq + held.size(); }
};

}  // namespace detail

template <typename T>
class BroadcastReceiver;

// The sending end of a broadcast channel: sending never waits; a receiver that falls more than
// the capacity behind loses the oldest values and is told how many.
template <typename T>
class BroadcastSender {
 public:
  BroadcastSender() = default;
  BroadcastSender(const BroadcastSender& other) : state_(other.state_) { attach(); }
  BroadcastSender(BroadcastSender&& other) noexcept
      : state_(std::exchange(other.state_, nullptr)) {}
  BroadcastSender& operator=(BroadcastSender other) noexcept {
    std::swap(state_, other.state_);
    return *this;
  }
  ~BroadcastSender() { reset(); }

  // Returns the number of receivers that will see the value; with none the value is dropped.
  std::size_t send(T value) const {
    if (!state_) return 0;
    std::lock_guard lock(state_->mutex);
    if (state_->receivers == 0) return 0;
    state_->held.push_back(std::move(value));
    if (state_->held.size() > state_->capacity) {
      state_->held.pop_front();
      ++state_->first_seq;
    }
    state_->arrivals.notify_all();
    return state_->receivers;
  }

  // A receiver that sees every value sent from now on.
  BroadcastReceiver<T> subscribe() const { return BroadcastReceiver<T>(state_); }

  std::size_t receiver_count() const {
    if (!state_) return 0;
    std::lock_guard lock(state_->mutex);
    return state_->receivers;
  }

  void reset() {
    auto state = std::exchange(state_, nullptr);
    if (!state) return;
    std::lock_guard lock(state->mutex);
    if (--state->senders == 0) state->arrivals.notify_all();
  }

 private:
  template <typename U>
  friend BroadcastSender<U> make_broadcast(std::size_t capacity);

  explicit BroadcastSender(std::shared_ptr<detail::BroadcastState<T>> state)
      : state_(std::move(state)) {
    attach();
  }
  void attach() {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    ++state_->senders;
  }

  std::shared_ptr<detail::BroadcastState<T>> state_;
};

// One subscription. Used by one task at a time.
template <typename T>
class BroadcastReceiver {
 public:
  BroadcastReceiver() = default;
  BroadcastReceiver(const BroadcastReceiver&) = delete;
  BroadcastReceiver& operator=(const BroadcastReceiver&) = delete;
  BroadcastReceiver(BroadcastReceiver&& other) noexcept
      : state_(std::exchange(other.state_, nullptr)), next_(other.next_) {}
  BroadcastReceiver& operator=(BroadcastReceiver&& other) noexcept {
    if (this != &other) {
      reset();
      state_ = std::exchange(other.state_, nullptr);
      next_ = other.next_;
    }
    return *this;
  }
  ~BroadcastReceiver() { reset(); }

  // The next value, a lag notice (after which the oldest value still held comes next), or
  // `Closed` once every sender is gone and nothing is left to read.
  boost::asio::awaitable<BroadcastItem<T>> recv() {
    auto state = state_;
    if (!state) co_return Closed{};
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (auto item = take(*state)) co_return std::move(*item);
        seen = state->arrivals.generation();
      }
      co_await state->arrivals.wait(state, seen);
      if (co_await detail::cancellation_requested()) detail::throw_aborted();
    }
  }

  // As `recv`, but nothing instead of waiting when no value is there yet.
  std::optional<BroadcastItem<T>> try_recv() {
    if (!state_) return BroadcastItem<T>(Closed{});
    std::lock_guard lock(state_->mutex);
    return take(*state_);
  }

 private:
  friend class BroadcastSender<T>;

  explicit BroadcastReceiver(std::shared_ptr<detail::BroadcastState<T>> state)
      : state_(std::move(state)) {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    ++state_->receivers;
    next_ = state_->next_seq();
  }

  std::optional<BroadcastItem<T>> take(detail::BroadcastState<T>& state) {
    if (next_ < state.first_seq) {
      const auto skipped = state.first_seq - next_;
      next_ = state.first_seq;
      return BroadcastItem<T>(Lagged{skipped});
    }
    if (next_ < state.next_seq()) {
      return BroadcastItem<T>(std::in_place_index<0>, state.held[next_++ - state.first_seq]);
    }
    if (state.senders == 0) return BroadcastItem<T>(Closed{});
    return std::nullopt;
  }

  void reset() {
    auto state = std::exchange(state_, nullptr);
    if (!state) return;
    std::lock_guard lock(state->mutex);
    --state->receivers;
  }

  std::shared_ptr<detail::BroadcastState<T>> state_;
  std::uint64_t next_ = 0;
};

// A broadcast channel holding up to `capacity` values (at least one) for slow receivers.
template <typename T>
BroadcastSender<T> make_broadcast(std::size_t capacity) {
  return BroadcastSender<T>(std::make_shared<detail::BroadcastState<T>>(capacity));
}

}  // namespace brask::async
