#include "brask/agent/mock_agent.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

#include "async/pool.h"

namespace brask::agent {
namespace {

namespace asio = boost::asio;
using core::EventKind;

struct Script {
  core::AgentOutcome outcome;
  std::vector<core::AgentEvent> events;
};

Script run_mock(MockAgent& agent, const std::string& task) {
  auto [events_tx, events_rx] = async::make_bounded_channel<core::AgentEvent>(1024);
  auto [interventions_tx, interventions_rx] = async::make_bounded_channel<core::Intervention>(64);
  auto result = brask::testing::run_on_pool(
      agent.run(task, std::move(events_tx), std::move(interventions_rx)));
  Script run{result.value(), {}};
  while (auto event = events_rx.try_receive()) run.events.push_back(std::move(*event));
  EXPECT_TRUE(events_rx.is_finished());       // the run dropped its sender
  EXPECT_TRUE(interventions_tx.is_closed());  // and its intervention receiver
  return run;
}

std::vector<EventKind> kinds_of(const std::vector<core::AgentEvent>& events) {
  std::vector<EventKind> kinds;
  for (const auto& event : events) kinds.push_back(event.kind());
  return kinds;
}

TEST(MockAgent, ScriptForZeroAndFourTurns) {
  const std::vector<EventKind> turn = {EventKind::ThinkingStart, EventKind::ToolCallStart,
                                       EventKind::ToolCallEnd, EventKind::ThinkingEnd};
  for (std::uint32_t turns : {0u, 4u}) {
    SCOPED_TRACE(turns);
    MockAgent agent("agent-7", turns, true, AgentType::Aider);
    const Script run = run_mock(agent, "fix the bug");

    std::vector<EventKind> expected = {EventKind::Started};
    for (std::uint32_t k = 0; k < turns; ++k)
      expected.insert(expected.end(), turn.begin(), turn.end());
    expected.push_back(EventKind::Completed);
    EXPECT_EQ(kinds_of(run.events), expected);
    for (const auto& event : run.events) EXPECT_EQ(*event.agent_id(), "agent-7");

    EXPECT_EQ(run.events.front().get_if<core::event::Started>()->task, "fix the bug");
    EXPECT_EQ(run.events.back().get_if<core::event::Completed>()->summary,
              "Mock agent completed task: fix the bug");
    EXPECT_EQ(
        run.outcome,
        (core::AgentOutcome{"Completed " + std::to_string(turns) + " mock turns for: fix the bug",
                            "mock_output: " + std::to_string(turns) + " turns", true}));
    EXPECT_EQ(agent.agent_type(), AgentType::Aider);
  }
}

TEST(MockAgent, ToolEventsOfTheSecondTurnCarryItsNumber) {
  MockAgent agent("a", 4);
  const Script run = run_mock(agent, "t");
  ASSERT_EQ(run.events.size(), 18u);
  const auto* call = run.events[6].get_if<core::event::ToolCallStart>();
  const auto* end = run.events[7].get_if<core::event::ToolCallEnd>();
  ASSERT_TRUE(call && end);
  EXPECT_EQ(call->tool, "mock_search");
  EXPECT_EQ(call->args, (nlohmann::json{{"query", "turn_1"}}));
  EXPECT_EQ(end->tool, "mock_search");
  EXPECT_EQ(end->result, (core::ToolResult{"result_turn_1", false, 50, 100}));
}

TEST(MockAgent, EmptyTaskAndUnsuccessfulAgentKeepTheScript) {
  MockAgent agent("a", 1, false);
  const Script run = run_mock(agent, "");
  ASSERT_EQ(run.events.size(), 6u);
  EXPECT_EQ(run.events.front().get_if<core::event::Started>()->task, "");
  EXPECT_EQ(run.events.back().get_if<core::event::Completed>()->summary,
            "Mock agent completed task: ");
  EXPECT_EQ(run.outcome.summary, "Completed 1 mock turns for: ");
  EXPECT_FALSE(run.outcome.success);
}

TEST(MockAgent, RunWithoutEventReceiverStillReturnsItsOutcome) {
  MockAgent agent("a", 300);  // more events than the channel holds
  auto [events_tx, events_rx] = async::make_bounded_channel<core::AgentEvent>(4);
  auto [interventions_tx, interventions_rx] = async::make_bounded_channel<core::Intervention>(1);
  { auto gone = std::move(events_rx); }
  auto result = brask::testing::run_on_pool(
      agent.run("task", std::move(events_tx), std::move(interventions_rx)));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->summary, "Completed 300 mock turns for: task");
}

TEST(MockAgent, PacedAgentsWaitOnTimersWithoutHoldingTheThread) {
  // Two paced agents on one thread: if pacing blocked the thread, the first would finish its
  // script before the second sent anything.
  constexpr auto kInterval = std::chrono::milliseconds(3);
  asio::io_context ctx;
  auto [events_tx, events_rx] = async::make_bounded_channel<core::AgentEvent>(64);
  MockAgent first("first", 2);
  MockAgent second("second", 2);
  first.with_event_interval(kInterval);
  second.with_event_interval(kInterval);
  auto [tx1, rx1] = async::make_bounded_channel<core::Intervention>(1);
  auto [tx2, rx2] = async::make_bounded_channel<core::Intervention>(1);
  auto a = asio::co_spawn(ctx, first.run("t", events_tx, std::move(rx1)), asio::use_future);
  auto b = asio::co_spawn(ctx, second.run("t", events_tx, std::move(rx2)), asio::use_future);
  events_tx.reset();
  ctx.run();
  ASSERT_TRUE(a.get().has_value() && b.get().has_value());

  std::vector<std::string> order;
  std::vector<core::Timestamp> first_times;
  while (auto event = events_rx.try_receive()) {
    order.push_back(*event->agent_id());
    if (order.back() == "first") first_times.push_back(event->timestamp());
  }
  ASSERT_EQ(order.size(), 20u);
  EXPECT_EQ(order[0], "first");
  EXPECT_EQ(order[1], "second");
  for (std::size_t i = 1; i < first_times.size(); ++i) {
    EXPECT_GE(first_times[i] - first_times[i - 1], kInterval);
  }
}

}  // namespace
}  // namespace brask::agent
