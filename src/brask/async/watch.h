#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include <boost/asio/awaitable.hpp>

#include "brask/async/detail/wait_queue.h"

namespace brask::async {

// A watched value. Copies are handles to the same value, so one side can hold it to set and
// another to wait. Every `set` counts as a change, even to an equal value.
template <typename T>
class Watch {
 public:
  explicit Watch(T initial = T{}) : state_(std::make_shared<State>(std::move(initial))) {}

  void set(T value) const {
    std::lock_guard lock(state_->mutex);
    state_->value = std::move(value);
    ++state_->version;
    state_->changes.notify_all();
  }

  T get() const {
    std::lock_guard lock(state_->mutex);
    return state_->value;
  }

  // Counts the sets so far; pass it to `changed` to wait for a later one without a gap.
  std::uint64_t version() const {
    std::lock_guard lock(state_->mutex);
    return state_->version;
  }

  // Waits for a set after version `since` and returns the value then held.
  boost::asio::awaitable<T> changed(std::uint64_t since) const {
    return wait_for([since](const T&, std::uint64_t version) { return version > since; });
  }

  // Waits for the next set after this call.
  boost::asio::awaitable<T> changed() const { return changed(version()); }

  // Returns the value as soon as `pred(value)` holds, at once if it holds already.
  template <typename Pred>
  boost::asio::awaitable<T> wait_until(Pred pred) const {
    return wait_for(
        [pred = std::move(pred)](const T& value, std::uint64_t) { return pred(value); });
  }

 private:
  struct State {
    explicit State(T initial) : value(std::move(initial)) {}
    std::mutex mutex;
    T value;
    std::uint64_t version = 0;
    detail::WaitQueue changes{mutex};
  };

  template <typename Ready>
  boost::asio::awaitable<T> wait_for(Ready ready) const {
    auto state = state_;
    for (;;) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(state->mutex);
        if (ready(state->value, state->version)) co_return state->value;
        seen = state->changes.generation();
      }
      co_await state->changes.wait(state, seen);
    }
  }

  std::shared_ptr<State> state_;
};

}  // namespace brask::async
