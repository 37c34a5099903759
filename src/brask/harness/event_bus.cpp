#include "brask/harness/event_bus.h"

namespace brask::harness {

EventBus::EventBus(std::size_t max_history) : max_history_(max_history == 0 ? 1 : max_history) {
  history_.reserve(max_history_);
}

void EventBus::subscribe(EventObserverPtr subscriber) {
  subscribers_.push_back(std::move(subscriber));
}

void EventBus::dispatch(const core::SharedEvent& event) {
  for (const auto& subscriber : subscribers_) subscriber->on_event(event);
  // Shifting 500 handles down is cheap next to a cycle, and keeps the history one plain span.
  if (history_.size() >= max_history_) history_.erase(history_.begin());
  history_.push_back(event);
}

}  // namespace brask::harness
