#include "brask/harness/event_bus.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace brask::harness {
namespace {

core::SharedEvent thinking(int n) {
  return std::make_shared<const core::AgentEvent>(
      core::event::ThinkingDelta{"a", std::to_string(n), core::utc_now()});
}

// Notes the history length that each event finds, to show subscribers run before the append.
class Recorder : public EventObserver {
 public:
  Recorder(const EventBus& bus, std::vector<std::string>& log, std::string name)
      : bus_(bus), log_(log), name_(std::move(name)) {}
  void on_event(const core::SharedEvent& event) override {
    log_.push_back(name_ + ":" + event->get_if<core::event::ThinkingDelta>()->text + "@" +
                   std::to_string(bus_.history().size()));
  }

 private:
  const EventBus& bus_;
  std::vector<std::string>& log_;
  std::string name_;
};

TEST(EventBus, SubscribersSeeEachEventInOrderBeforeItEntersTheHistory) {
  EventBus bus;
  std::vector<std::string> log;
  bus.subscribe(std::make_shared<Recorder>(bus, log, "first"));
  bus.subscribe(std::make_shared<Recorder>(bus, log, "second"));
  const auto event = thinking(1);
  bus.dispatch(event);
  bus.dispatch(thinking(2));
  EXPECT_EQ(log, (std::vector<std::string>{"first:1@0", "second:1@0", "first:2@1", "second:2@1"}));
  EXPECT_EQ(bus.history().front(), event);  // shared, not copied
}

TEST(EventBus, HistoryKeepsTheLatest500InReservedStorage) {
  EventBus bus;
  ASSERT_GE(bus.history().capacity(), EventBus::kMaxHistory);
  const auto* storage = bus.history().data();
  for (int n = 0; n < 500; ++n) bus.dispatch(thinking(n));
  EXPECT_EQ(bus.history().front()->get_if<core::event::ThinkingDelta>()->text, "0");
  bus.dispatch(thinking(500));  // the 501st evicts the first
  ASSERT_EQ(bus.history().size(), 500u);
  EXPECT_EQ(bus.history().front()->get_if<core::event::ThinkingDelta>()->text, "1");
  EXPECT_EQ(bus.history().back()->get_if<core::event::ThinkingDelta>()->text, "500");
  for (int n = 501; n < 1200; ++n) bus.dispatch(thinking(n));
  EXPECT_EQ(bus.history().size(), 500u);
  EXPECT_EQ(bus.history().front()->get_if<core::event::ThinkingDelta>()->text, "700");
  EXPECT_EQ(bus.history().data(), storage);  // never reallocated
}

}  // namespace
}  // namespace brask::harness
