#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <variant>

#include <boost/asio/awaitable.hpp>

#include "brask/async/detail/wait_queue.h"

namespace brask::async {

// An asynchronous readers-writer lock over a value: many readers or one writer. Waiting suspends
// the task, not the thread. A waiting writer holds back new readers, so writers are not starved.
template <typename T = std::monostate>
class RwLock {
  struct State;

 public:
  // Shared access; releases on destruction.
  class ReadGuard {
   public:
    ReadGuard(ReadGuard&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
    ReadGuard& operator=(ReadGuard&&) = delete;
    ~ReadGuard() {
      if (state_) state_->unlock_shared();
    }
    const T& operator*() const { return state_->value; }
    const T* operator->() const { return &state_->value; }

   private:
    friend class RwLock;
    explicit ReadGuard(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
  };

  // Exclusive access; releases on destruction.
  class WriteGuard {
   public:
    WriteGuard(WriteGuard&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}
    WriteGuard& operator=(WriteGuard&&) = delete;
    ~WriteGuard() {
      if (state_) state_->unlock();
    }
    T& operator*() const { return state_->value; }
    T* operator->() const { return &state_->value; }

   private:
    friend class RwLock;
    explicit WriteGuard(std::shared_ptr<State> state) : state_(std::move(state)) {}
    std::shared_ptr<State> state_;
  };

  explicit RwLock(T value = T{}) : state_(std::make_shared<State>(std::move(value))) {}
  RwLock(const RwLock&) = delete;
  RwLock& operator=(const RwLock&) = delete;

  boost::asio::awaitable<ReadGuard> lock_shared() const {
    auto state = state_;
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (!state->writer && state->waiting_writers == 0) {
          ++state->readers;
          co_return ReadGuard(state);
        }
        seen = state->readers_queue.generation();
      }
      co_await state->readers_queue.wait(state, seen);
    }
  }

  boost::asio::awaitable<WriteGuard> lock() const {
    auto state = state_;
    bool counted = false;  // counted among the waiting writers
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (!state->writer && state->readers == 0) {
          state->writer = true;
          if (counted) --state->waiting_writers;
          co_return WriteGuard(state);
        }
        if (!counted) ++state->waiting_writers;
        counted = true;
        seen = state->writers_queue.generation();
      }
      try {
        co_await state->writers_queue.wait(state, seen);
      } catch (...) {
        state->give_up_writing();
        throw;
      }
    }
  }

  // Non-waiting forms: nothing when the lock is not free for this kind of access.
  std::optional<ReadGuard> try_lock_shared() const {
    std::lock_guard lock(state_->mutex);
    if (state_->writer || state_->waiting_writers != 0) return std::nullopt;
    ++state_->readers;
    return ReadGuard(state_);
  }

 private:
  struct State {
    explicit State(T initial) : value(std::move(initial)) {}

    void unlock_shared() {
      std::lock_guard lock(mutex);
      if (--readers == 0) writers_queue.notify_one();
    }
    void unlock() {
      std::lock_guard lock(mutex);
      writer = false;
      wake_next();
    }
    void give_up_writing() {
      std::lock_guard lock(mutex);
      --waiting_writers;
      if (!writer) wake_next();
    }
    // With the mutex held, when the lock may have become free.
    void wake_next() {
      if (waiting_writers > 0) {
        writers_queue.notify_one();
      } else {
        readers_queue.notify_all();
      }
    }

    std::mutex mutex;
    T value;
    std::size_t readers = 0;
    bool writer = false;
    std::size_t waiting_writers = 0;
    detail::WaitQueue readers_queue{mutex};
    detail::WaitQueue writers_queue{mutex};
  };

  std::shared_ptr<State> state_;
};

}  // namespace brask::async
