#include "brask/harness/runtime.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "async/pool.h"
#include "brask/agent/mock_agent.h"
#include "brask/core/text_form.h"
#include "brask/harness/blocking.h"
#include "harness/fakes.h"

namespace brask::harness {
namespace {

namespace asio = boost::asio;
using testing::CountingObserver;
using testing::issue_of;
using testing::nudge;
using testing::ScriptedDetector;
using testing::ScriptedStrategy;

using Seen = std::vector<std::pair<std::string, std::size_t>>;

struct Counting {
  std::shared_ptr<CountingObserver> observer = std::make_shared<CountingObserver>();
  std::shared_ptr<ScriptedDetector> detector = std::make_shared<ScriptedDetector>("d");
  std::shared_ptr<const PluginRegistry> registry() const {
    auto registry = std::make_shared<PluginRegistry>();
    registry->register_observer(observer);
    registry->register_detector(detector);
    return registry;
  }
};

// One issue per cycle and a strategy that always nudges.
std::shared_ptr<const PluginRegistry> always_nudging() {
  auto registry = std::make_shared<PluginRegistry>();
  registry->register_detector(std::make_shared<ScriptedDetector>("d", [](std::size_t) {
    return std::vector<core::DetectedIssue>{issue_of(core::category::GoalDrift{0.1})};
  }));
  registry->register_strategy(std::make_shared<ScriptedStrategy>("nudge", 10, nudge("focus")));
  return registry;
}

core::Result<SessionResult> run_mock(std::shared_ptr<const PluginRegistry> registry,
                                     std::uint32_t turns, RuntimeConfig config = {}) {
  Runtime runtime(std::move(registry), std::move(config));
  return run_blocking(
      std::move(runtime).run("task", std::make_shared<agent::MockAgent>("mock", turns)));
}

TEST(Runtime, CyclePointsAndCountsOfMockRuns) {
  struct Case {
    std::uint32_t turns;
    std::uint64_t cycles;
    std::uint32_t counted;
    std::vector<std::size_t> history_at_cycles;  // runtime's `started` plus the events fed
  };
  const std::vector<Case> cases = {
      {0, 1, 1, {3}},
      {4, 9, 17, {4, 5, 7, 9, 10, 13, 16, 17, 19}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.turns);
    Counting counting;
    auto result = run_mock(counting.registry(), c.turns);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->observation_count, c.cycles);
    EXPECT_EQ(result->events_processed, c.counted);
    EXPECT_EQ(result->agent_id, "mock");
    EXPECT_EQ(result->outcome.summary,
              "Completed " + std::to_string(c.turns) + " mock turns for: task");
    Seen expected;
    for (auto size : c.history_at_cycles) expected.emplace_back("mock", size);
    EXPECT_EQ(counting.detector->seen(), expected);
  }
}

TEST(Runtime, DryRunChoosesNoInterventionWhateverTheStrategiesPropose) {
  for (bool dry_run : {false, true}) {
    SCOPED_TRACE(dry_run);
    auto result = run_mock(always_nudging(), 4, {std::nullopt, dry_run});
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->detection_count, 9u);
    EXPECT_EQ(result->intervention_count, dry_run ? 0u : 9u);
  }
}

TEST(Runtime, InterventionsThatDoNotFitAreDroppedWithoutWaiting) {
  // 601 cycles each offer a nudge to a mock agent that never reads its channel of 64, while it
  // sends more events than its own channel holds: a waiting offer would stall both sides.
  auto result = run_mock(always_nudging(), 300);
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->observation_count, 601u);
  EXPECT_EQ(result->intervention_count, 601u);
}

TEST(Runtime, SessionIdIsTheGivenOneOrAFreshUuid) {
  EXPECT_EQ(Runtime(std::make_shared<PluginRegistry>(), {"s-1", false}).session_id(), "s-1");
  const auto first = run_mock(std::make_shared<PluginRegistry>(), 0)->session_id;
  const auto second = run_mock(std::make_shared<PluginRegistry>(), 0)->session_id;
  EXPECT_EQ(first.size(), 36u);
  EXPECT_NE(first, second);
}

// Sends a fixed list of events, then ends as its script says.
class ScriptedAdapter : public agent::AgentAdapter {
 public:
  enum class End { outcome, error, exception };
  ScriptedAdapter(std::vector<core::AgentEvent> events, End end)
      : events_(std::move(events)), end_(end) {}
  std::string id() const override { return "scripted"; }
  agent::AgentType agent_type() const override { return agent::AgentType::Cline; }
  asio::awaitable<core::Result<core::AgentOutcome>> run(std::string, agent::EventSender events,
                                                        agent::InterventionReceiver) override {
    for (const auto& event : events_) {
      core::AgentEvent copy = event;
      co_await events.send(std::move(copy));
    }
    if (end_ == End::error) co_return std::unexpected(core::BraskError::llm("quota exhausted"));
    if (end_ == End::exception) throw std::runtime_error("adapter bug");
    co_return core::AgentOutcome{"done", std::nullopt, true};
  }

 private:
  std::vector<core::AgentEvent> events_;
  End end_;
};

std::vector<core::AgentEvent> tool_ends(int count) {
  std::vector<core::AgentEvent> events;
  for (int i = 0; i < count; ++i) {
    events.push_back(core::event::ToolCallEnd{"scripted", "t", {}, core::utc_now()});
  }
  return events;
}

TEST(Runtime, AdapterFailureIsReturnedUnchanged) {
  struct Case {
    ScriptedAdapter::End end;
    std::string message;
  };
  for (const auto& c :
       std::vector<Case>{{ScriptedAdapter::End::error, "LLM API error: quota exhausted"},
                         {ScriptedAdapter::End::exception, "Internal error: adapter bug"}}) {
    auto result = run_blocking(run_with_registry(
        always_nudging(), {}, "task", std::make_shared<ScriptedAdapter>(tool_ends(5), c.end)));
    ASSERT_FALSE(result.has_value());
    EXPECT_EQ(result.error().message(), c.message);
  }
}

TEST(Runtime, AdapterWithoutEventsStillGetsTheFinalCycle) {
  auto result = run_blocking(
      Runtime(always_nudging(), {})
          .run("task", std::make_shared<ScriptedAdapter>(std::vector<core::AgentEvent>{},
                                                         ScriptedAdapter::End::outcome)));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->observation_count, 1u);
  EXPECT_EQ(result->events_processed, 0u);
  EXPECT_EQ(result->agent_type, agent::AgentType::Cline);
  EXPECT_EQ(result->outcome, (core::AgentOutcome{"done", std::nullopt, true}));
}

TEST(Runtime, TenThousandTurnsRunWhileTheAgentWorks) {
  // 40,002 events: far beyond the event channel, so the agent can only finish if its events are
  // processed while it runs.
  constexpr std::uint32_t kTurns = 10'000;
  Counting counting;
  // Counting only: ten million observations would time the observation record, not the runtime.
  counting.observer = std::make_shared<CountingObserver>("counting", "counting", true);
  Runtime runtime(counting.registry(), {});
  const auto start = std::chrono::steady_clock::now();
  auto result = brask::testing::run_on_pool(
      std::move(runtime).run("task", std::make_shared<agent::MockAgent>("mock", kTurns)));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("10,000-turn run with a counting observer: %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));

  ASSERT_TRUE(result.has_value());
  const std::uint32_t counted = 4 * kTurns + 1;  // all but `completed`
  EXPECT_EQ(result->events_processed, counted);
  // Every third count, plus every `tool_call_end` (count 4k + 4) not already a multiple of 3.
  const std::uint64_t periodic = counted / 3;
  const std::uint64_t tool_ends_off_period = kTurns - kTurns / 3;
  EXPECT_EQ(result->observation_count, periodic + tool_ends_off_period + 1);

  // Each cycle showed the observer the whole bounded history: 1 + c events at count c, capped.
  std::uint64_t expected_calls = 0;
  for (std::uint64_t c = 1; c <= counted; ++c) {
    if (c % 3 == 0 || c % 4 == 0) expected_calls += std::min<std::uint64_t>(1 + c, 500);
  }
  expected_calls += 500;  // the final cycle
  EXPECT_EQ(counting.observer->calls(), expected_calls);
}

// Works through three tool calls, then waits (up to a bound) for an intervention before it
// completes: it only gets one if the harness supervises it while it runs.
class AttentiveAdapter : public agent::AgentAdapter {
 public:
  explicit AttentiveAdapter(int tool_calls) : tool_calls_(tool_calls) {}
  std::string id() const override { return "attentive"; }
  agent::AgentType agent_type() const override { return agent::AgentType{}; }
  asio::awaitable<core::Result<core::AgentOutcome>> run(
      std::string, agent::EventSender events, agent::InterventionReceiver interventions) override {
    using namespace asio::experimental::awaitable_operators;
    auto script = tool_ends(tool_calls_);
    for (auto& event : script) co_await events.send(std::move(event));
    asio::steady_timer timer(co_await asio::this_coro::executor, std::chrono::seconds(10));
    auto first = co_await (interventions.receive() || timer.async_wait(asio::use_awaitable));
    std::string summary = "nothing";
    if (auto* got = std::get_if<0>(&first); got && *got) summary = core::to_text(**got);
    co_return core::AgentOutcome{summary, std::nullopt, true};
  }

 private:
  int tool_calls_;
};

TEST(Runtime, InterventionsReachTheAgentWhileItRuns) {
  auto result = brask::testing::run_on_pool(
      Runtime(always_nudging(), {}).run("task", std::make_shared<AttentiveAdapter>(3)));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->outcome.summary, "Nudge { message: \"focus\", reason: \"test\" }");
}

TEST(Runtime, OutsideInterventionsAreForwardedToTheAgent) {
  auto [outside, source] = async::make_bounded_channel<core::Intervention>(4);
  ASSERT_EQ(outside.try_send(core::intervention::Resume{}), async::SendStatus::ok);
  auto runtime =
      Runtime(std::make_shared<PluginRegistry>(), {}).with_intervention_source(std::move(source));
  auto result = run_blocking(std::move(runtime).run("task", std::make_shared<AttentiveAdapter>(0)));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->outcome.summary, "Resume");
  EXPECT_TRUE(outside.is_closed());  // the runtime let go of the source when the run ended
}

// Sets the cancel signal when it has seen `after` events.
class CancelAfter : public EventObserver {
 public:
  CancelAfter(async::Watch<bool> cancel, std::size_t after)
      : cancel_(std::move(cancel)), after_(after) {}
  void on_event(const core::SharedEvent&) override {
    if (++seen_ == after_) cancel_.set(true);
  }
  std::size_t seen() const { return seen_; }

 private:
  async::Watch<bool> cancel_;
  std::size_t after_;
  std::size_t seen_ = 0;
};

TEST(Runtime, CancelSignalEndsTheRunWithWhatItHas) {
  async::Watch<bool> cancel(false);
  auto watcher = std::make_shared<CancelAfter>(cancel, 10);
  auto agent = std::make_shared<agent::MockAgent>("slow", 1'000);
  agent->with_event_interval(std::chrono::milliseconds(2));  // 8 s if left to finish
  Counting counting;
  auto runtime =
      Runtime(counting.registry(), {}).with_subscriber(watcher).with_cancel_signal(cancel);
  auto result = brask::testing::run_on_pool(std::move(runtime).run("task", agent));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->outcome, cancelled_outcome());
  EXPECT_GE(watcher->seen(), 10u);
  EXPECT_LT(watcher->seen(), 200u);  // stopped long before the script's 4,002 events
  EXPECT_EQ(result->events_processed + 1, watcher->seen());  // fed events, less the runtime's own
  EXPECT_EQ(result->observation_count, counting.detector->seen().size());  // no final cycle added

  // Set before the run starts: nothing of the agent is processed.
  auto already = Runtime(std::make_shared<PluginRegistry>(), {}).with_cancel_signal(cancel);
  auto early = run_blocking(std::move(already).run("task", agent));
  ASSERT_TRUE(early.has_value());
  EXPECT_EQ(early->events_processed, 0u);
  EXPECT_FALSE(early->outcome.success);
}

TEST(Runtime, SubscriberAndBroadcasterSeeEveryProcessedEvent) {
  class Recorder : public EventObserver {
   public:
    void on_event(const core::SharedEvent& event) override { events.push_back(event); }
    std::vector<core::SharedEvent> events;
  };
  auto recorder = std::make_shared<Recorder>();
  auto broadcaster = async::make_broadcast<core::SharedEvent>(256);
  auto receiver = broadcaster.subscribe();
  auto runtime = Runtime(std::make_shared<PluginRegistry>(), {})
                     .with_subscriber(recorder)
                     .with_event_broadcaster(std::move(broadcaster));
  auto result =
      run_blocking(std::move(runtime).run("task", std::make_shared<agent::MockAgent>("m", 5)));
  ASSERT_TRUE(result.has_value());
  ASSERT_EQ(recorder->events.size(), 23u);  // the runtime's `started` and the agent's 22
  EXPECT_EQ(recorder->events[0]->kind(), core::EventKind::Started);
  EXPECT_EQ(recorder->events[1]->kind(), core::EventKind::Started);
  EXPECT_EQ(recorder->events.back()->kind(), core::EventKind::Completed);
  for (const auto& event : recorder->events) {
    EXPECT_EQ(receiver.try_recv(), async::BroadcastItem<core::SharedEvent>(event));
  }
  // The pipeline held the last sender: the stream ends with the run.
  EXPECT_EQ(receiver.try_recv(), async::BroadcastItem<core::SharedEvent>(async::Closed{}));
}

TEST(HarnessResult, ReducedFormAndJson) {
  SessionResult session{"s", "a", {"sum", "out", true}, 9, 4, 2, 17, 17, agent::AgentType::Dspy};
  const HarnessResult result = std::move(session).into_harness_result();
  EXPECT_EQ(result, (HarnessResult{"a", 9, 4, 2, true}));
  EXPECT_EQ(
      result.to_json().dump(),
      R"({"agent_id":"a","detection_count":4,"intervention_count":2,"observation_count":9,"success":true})");
}

}  // namespace
}  // namespace brask::harness
