#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "brask/core/events.h"

namespace brask::harness {

// A live subscriber of a pipeline's events. Runs inside `feed`, so it must not block. It gets the
// shared event so that it can keep it without copying.
class EventObserver {
 public:
  virtual ~EventObserver() = default;
  virtual void on_event(const core::SharedEvent& event) = 0;
};

using EventObserverPtr = std::shared_ptr<EventObserver>;

// The first stop of every event: hands it to the subscribers, then keeps it in a bounded history
// that the observers read, oldest first.
class EventBus {
 public:
  static constexpr std::size_t kMaxHistory = 500;

  // The history's storage is reserved here, once; dispatching never reallocates it.
  explicit EventBus(std::size_t max_history = kMaxHistory);

  void subscribe(EventObserverPtr subscriber);
  // Subscribers in subscription order, then the history (evicting the oldest when full).
  void dispatch(const core::SharedEvent& event);

  const std::vector<core::SharedEvent>& history() const { return history_; }
  std::size_t max_history() const { return max_history_; }
  std::size_t subscriber_count() const { return subscribers_.size(); }

 private:
  std::vector<EventObserverPtr> subscribers_;
  std::vector<core::SharedEvent> history_;
  std::size_t max_history_;
};

}  // namespace brask::harness
