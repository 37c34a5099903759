#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/container/deque.hpp>

#include "brask/async/detail/wait_queue.h"

namespace brask::async {

// Outcome of a send: delivered into the buffer, no room (non-waiting sends only), or no receiver.
enum class SendStatus : std::uint8_t { ok, full, closed };

namespace detail {

template <typename T>
struct ChannelState {
  explicit ChannelState(std::size_t cap) : capacity(cap == 0 ? 1 : cap) {}

  std::mutex mutex;
  boost::container::deque<T> buffer;
  const std::size_t capacity;
  std::size_t senders = 0;
  bool receiver_alive = true;
  bool closed = false;     // the receiver takes no more values
  WaitQueue room{mutex};   // senders waiting for space
  WaitQueue items{mutex};  // the receiver waiting for a value or the end

  bool refuses_values() const { return !receiver_alive || closed; }
};

}  // namespace detail

template <typename T>
class Receiver;

// The sending end of a bounded multi-producer channel. Copies count as further senders; the
// receiver sees the end once every sender is gone and the buffer is drained.
template <typename T>
class Sender {
 public:
  Sender() = default;
  Sender(const Sender& other) : state_(other.state_) { attach(); }
  Sender(Sender&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
  Sender& operator=(Sender other) noexcept {
    std::swap(state_, other.state_);
    return *this;
  }
  ~Sender() { reset(); }

  // Waits for room, suspending the task; `closed` when the receiver is gone or closed.
  boost::asio::awaitable<SendStatus> send(T value) const {
    auto state = state_;
    if (!state) co_return SendStatus::closed;
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (state->refuses_values()) co_return SendStatus::closed;
        if (state->buffer.size() < state->capacity) {
          state->buffer.push_back(std::move(value));
          state->items.notify_one();
          co_return SendStatus::ok;
        }
        seen = state->room.generation();
      }
      co_await state->room.wait(state, seen);
    }
  }

  // Never waits; the value is dropped unless the status is `ok`.
  SendStatus try_send(T value) const {
    if (!state_) return SendStatus::closed;
    std::lock_guard lock(state_->mutex);
    if (state_->refuses_values()) return SendStatus::closed;
    if (state_->buffer.size() >= state_->capacity) return SendStatus::full;
    state_->buffer.push_back(std::move(value));
    state_->items.notify_one();
    return SendStatus::ok;
  }

  // True when no value sent now could ever be received.
  bool is_closed() const {
    if (!state_) return true;
    std::lock_guard lock(state_->mutex);
    return state_->refuses_values();
  }

  // Gives up this sender early, as destroying it would.
  void reset() {
    // Declared before the lock so that the state outlives it.
    auto state = std::exchange(state_, nullptr);
    if (!state) return;
    std::lock_guard lock(state->mutex);
    if (--state->senders == 0) state->items.notify_all();
  }

 private:
  friend class Receiver<T>;
  template <typename U>
  friend std::pair<Sender<U>, Receiver<U>> make_bounded_channel(std::size_t capacity);

  explicit Sender(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {
    attach();
  }
  void attach() {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    ++state_->senders;
  }

  std::shared_ptr<detail::ChannelState<T>> state_;
};

// The single receiving end. Destroying it makes every send fail at once and drops what is
// buffered; `close` refuses further sends but keeps the buffered values readable.
template <typename T>
class Receiver {
 public:
  Receiver() = default;
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;
  Receiver(Receiver&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
  Receiver& operator=(Receiver&& other) noexcept {
    if (this != &other) {
      reset();
      state_ = std::exchange(other.state_, nullptr);
    }
    return *this;
  }
  ~Receiver() { reset(); }

  // The next value; nothing once every sender is gone (or the channel is closed) and the buffer
  // is empty. Waiting suspends the task.
  boost::asio::awaitable<std::optional<T>> receive() const {
    auto state = state_;
    if (!state) co_return std::nullopt;
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (auto value = pop(*state)) co_return value;
        if (state->senders == 0 || state->closed) co_return std::nullopt;
        seen = state->items.generation();
      }
      co_await state->items.wait(state, seen);
      // A cancelled caller would discard the value: leave it in the buffer.
      if (co_await detail::cancellation_requested()) detail::throw_aborted();
    }
  }

  // A buffered value, or nothing when the buffer is empty (see `is_finished` for the end).
  std::optional<T> try_receive() const {
    if (!state_) return std::nullopt;
    std::lock_guard lock(state_->mutex);
    return pop(*state_);
  }

  // True when nothing more will ever be received.
  bool is_finished() const {
    if (!state_) return true;
    std::lock_guard lock(state_->mutex);
    return state_->buffer.empty() && (state_->senders == 0 || state_->closed);
  }

  std::size_t buffered() const {
    if (!state_) return 0;
    std::lock_guard lock(state_->mutex);
    return state_->buffer.size();
  }

  // Refuses further sends (waiting senders give up); buffered values can still be received.
  void close() const {
    if (!state_) return;
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->room.notify_all();
    state_->items.notify_all();
  }

 private:
  template <typename U>
  friend std::pair<Sender<U>, Receiver<U>> make_bounded_channel(std::size_t capacity);

  explicit Receiver(std::shared_ptr<detail::ChannelState<T>> state) : state_(std::move(state)) {}

  static std::optional<T> pop(detail::ChannelState<T>& state) {
    if (state.buffer.empty()) return std::nullopt;
    std::optional<T> value(std::move(state.buffer.front()));
    state.buffer.pop_front();
    state.room.notify_one();
    return value;
  }

  void reset() {
    auto state = std::exchange(state_, nullptr);
    if (!state) return;
    boost::container::deque<T> dropped;  // destroyed after the lock is released
    std::lock_guard lock(state->mutex);
    state->receiver_alive = false;
    dropped.swap(state->buffer);
    state->room.notify_all();
  }

  std::shared_ptr<detail::ChannelState<T>> state_;
};

// A channel that buffers at most `capacity` values (at least one).
template <typename T>
std::pair<Sender<T>, Receiver<T>> make_bounded_channel(std::size_t capacity) {
  auto state = std::make_shared<detail::ChannelState<T>>(capacity);
  return {Sender<T>(state), Receiver<T>(state)};
}

}  // namespace brask::async
