#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "brask/observers/comm_watcher.h"
#include "brask/observers/cost_watcher.h"
#include "brask/observers/figures.h"
#include "brask/observers/latency_watcher.h"
#include "brask/observers/memory_watcher.h"
#include "brask/observers/orch_watcher.h"
#include "brask/observers/reliability_watcher.h"
#include "brask/observers/token_watcher.h"
#include "observers/event_builders.h"

namespace brask::observers {
namespace {

using namespace test;  // NOLINT: event makers

// Feeds events one after the other and checks each answer.
void expect_answers(core::Observer& watcher,
                    const std::vector<std::pair<AgentEvent, std::string>>& steps) {
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(text_of(watcher.observe(steps[i].first)), steps[i].second) << "step " << i;
  }
}

TEST(TokenWatcher, RatesStartAtZeroAndFollowCacheUseAndToolCalls) {
  TokenWatcher watcher;
  EXPECT_EQ(watcher.cache_hit_rate(), 0.0);
  EXPECT_EQ(watcher.dedup_rate(), 0.0);
  expect_answers(
      watcher,
      {
          {usage(100, 50, 0, 10),
           R"({"cache_hit_rate":0.0,"dedup_rate":0.0,"dimension":"token","total_tokens":160,"waste_tokens":0})"},
          {tool_start("bash"), "none"},
          {tool_start("bash"), "none"},
          {tool_start("bash"), "none"},
          {cached(), "none"},
          {started(), "none"},
          // This event's own total, not a running sum.
          {usage(1, 2, 20, 3),
           R"({"cache_hit_rate":0.5,"dedup_rate":0.3333333333333333,"dimension":"token","total_tokens":26,"waste_tokens":0})"},
      });
  EXPECT_EQ(watcher.cache_hit_rate(), 0.5);
  EXPECT_DOUBLE_EQ(watcher.dedup_rate(), 1.0 / 3.0);
  EXPECT_EQ(watcher.waste_tokens(), 0u);
  EXPECT_EQ(watcher.token_totals(), (std::vector<std::uint64_t>{160, 26}));
}

TEST(CostWatcher, PricesInputAndOutputFlatAndAddsUp) {
  CostWatcher watcher;
  const auto total_after_two = 18.0 + 0.003;
  expect_answers(
      watcher,
      {
          {usage(1'000'000, 1'000'000, 0, 0, "big-model"),
           R"({"dimension":"cost","model":"big-model","total_cost":18.0,"turn_cost":18.0})"},
          {usage(1000, 0, 0, 0, "small"), nlohmann::json{{"dimension", "cost"},
                                                         {"model", "small"},
                                                         {"total_cost", total_after_two},
                                                         {"turn_cost", 0.003}}
                                              .dump()},
          // Cache tokens are free.
          {usage(0, 0, 5000, 5000, "small"), nlohmann::json{{"dimension", "cost"},
                                                            {"model", "small"},
                                                            {"total_cost", total_after_two},
                                                            {"turn_cost", 0.0}}
                                                 .dump()},
          {tool_end("x"), "none"},
      });
  EXPECT_EQ(watcher.turn_costs(), (std::vector<double>{18.0, 0.003, 0.0}));
}

TEST(LatencyWatcher, PercentilesOverTheSortedDurations) {
  LatencyWatcher watcher;
  expect_answers(watcher, {
                              {tool_end("", false, 30),
                               R"({"count":1,"dimension":"latency","p50_ms":30.0,"p95_ms":30.0})"},
                              {started(), "none"},
                              {tool_end("", false, 10),
                               R"({"count":2,"dimension":"latency","p50_ms":30.0,"p95_ms":30.0})"},
                              {tool_end("", false, 20),
                               R"({"count":3,"dimension":"latency","p50_ms":20.0,"p95_ms":30.0})"},
                          });
}

TEST(LatencyWatcher, PercentileIndicesForOddAndEvenCounts) {
  // Durations n, n-1, ..., 1 arrive in falling order, so the value at sorted index i is i + 1.
  struct Case {
    std::uint64_t n;
    double p50;  // index n / 2
    double p95;  // index floor(n * 0.95)
  };
  for (const auto& c : std::vector<Case>{{1, 1, 1},
                                         {2, 2, 2},
                                         {4, 3, 4},
                                         {19, 10, 19},
                                         {20, 11, 20},
                                         {21, 11, 20},
                                         {40, 21, 39}}) {
    LatencyWatcher watcher;
    std::optional<core::Observation> last;
    for (std::uint64_t d = c.n; d >= 1; --d) last = watcher.observe(tool_end("", false, d));
    ASSERT_TRUE(last);
    EXPECT_EQ(last->get_unsigned("count"), c.n);
    EXPECT_EQ(last->get_number("p50_ms"), c.p50) << "n=" << c.n;
    EXPECT_EQ(last->get_number("p95_ms"), c.p95) << "n=" << c.n;
  }
}

TEST(LatencyWatcher, RepeatedDurationsGiveThePercentilesOfTheFullSortedList) {
  // The history is observed again in every cycle, so most durations repeat many times; the
  // answers must match the plain sorted list of every duration seen, step by step.
  LatencyWatcher watcher;
  std::vector<double> seen;
  std::uint64_t state = 7;
  for (int step = 0; step < 400; ++step) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::uint64_t duration = (state >> 33) % 9 + (step % 50 == 0 ? 1000 : 0);
    seen.insert(std::upper_bound(seen.begin(), seen.end(), static_cast<double>(duration)),
                static_cast<double>(duration));
    const auto record = watcher.observe(tool_end("", false, duration));
    ASSERT_TRUE(record);
    const auto n = seen.size();
    const auto p95_index = std::min(static_cast<std::size_t>(static_cast<double>(n) * 0.95), n - 1);
    ASSERT_EQ(record->get_unsigned("count"), n);
    ASSERT_EQ(record->get_number("p50_ms"), seen[n / 2]) << "step " << step;
    ASSERT_EQ(record->get_number("p95_ms"), seen[p95_index]) << "step " << step;
  }
}

TEST(MemoryWatcher, AnswersEveryEventWithRetrievalsHitsAndStores) {
  MemoryWatcher watcher;
  expect_answers(
      watcher,
      {
          {started(),
           R"({"dimension":"memory","growth_rate_kb_hr":0.0,"hit_rate":0.0,"hits":0,"retrievals":0,"stored":0})"},
          {tool_start("bash"),
           R"({"dimension":"memory","growth_rate_kb_hr":0.0,"hit_rate":0.0,"hits":0,"retrievals":1,"stored":0})"},
          {thinking_start(),
           R"({"dimension":"memory","growth_rate_kb_hr":0.0,"hit_rate":0.0,"hits":0,"retrievals":2,"stored":0})"},
          {tool_end("ok"),
           R"({"dimension":"memory","growth_rate_kb_hr":0.0,"hit_rate":0.5,"hits":1,"retrievals":2,"stored":0})"},
          {tool_end("bad", true),
           R"({"dimension":"memory","growth_rate_kb_hr":0.0,"hit_rate":0.5,"hits":1,"retrievals":2,"stored":0})"},
          {output("a"),
           R"({"dimension":"memory","growth_rate_kb_hr":4.0,"hit_rate":0.5,"hits":1,"retrievals":2,"stored":1})"},
          {output("b"),
           R"({"dimension":"memory","growth_rate_kb_hr":8.0,"hit_rate":0.5,"hits":1,"retrievals":2,"stored":2})"},
      });
}

TEST(Figures, GrowthMultiplicationSaturatesInsteadOfWrapping) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  struct Case {
    std::uint64_t stores;
    std::uint64_t expected;
  };
  for (const auto& c : std::vector<Case>{
           {0, 0}, {3, 12}, {kMax / 4, (kMax / 4) * 4}, {kMax / 4 + 1, kMax}, {kMax, kMax}}) {
    EXPECT_EQ(figures::saturating_mul(c.stores, MemoryWatcher::kKbPerStore), c.expected)
        << c.stores;
  }
  EXPECT_EQ(figures::saturating_mul(0, kMax), 0u);
}

TEST(ReliabilityWatcher, CountsFailuresAndToolOutcomesOnEveryEvent) {
  ReliabilityWatcher watcher;
  expect_answers(
      watcher,
      {
          {started(), R"({"dimension":"reliability","error_rate":0.0,"total_ops":0})"},
          {tool_end("bad", true), R"({"dimension":"reliability","error_rate":1.0,"total_ops":1})"},
          {failed(), R"({"dimension":"reliability","error_rate":1.0,"total_ops":2})"},
          {output("x"), R"({"dimension":"reliability","error_rate":1.0,"total_ops":2})"},
          {tool_end("ok"),
           R"({"dimension":"reliability","error_rate":0.6666666666666666,"total_ops":3})"},
      });
}

TEST(CommWatcher, CountsSentMessagesAndDistinctSendersOnly) {
  CommWatcher watcher;
  expect_answers(
      watcher,
      {
          {started(), R"({"dimension":"comm","participants":0,"total_messages":0})"},
          {sent("lead", 10), R"({"dimension":"comm","participants":1,"total_messages":1})"},
          {sent("lead", 10), R"({"dimension":"comm","participants":1,"total_messages":2})"},
          {received_text("hi"), R"({"dimension":"comm","participants":1,"total_messages":2})"},
          {sent("worker", 0), R"({"dimension":"comm","participants":2,"total_messages":3})"},
      });
}

TEST(OrchWatcher, ActiveAgentsRiseOnForksAndNeverFallBelowZero) {
  OrchWatcher watcher;
  expect_answers(watcher,
                 {
                     {completed(), R"({"active_agents":0,"dimension":"orch","total_forks":0})"},
                     {started(), R"({"active_agents":0,"dimension":"orch","total_forks":0})"},
                     {forked(), R"({"active_agents":1,"dimension":"orch","total_forks":1})"},
                     {forked(), R"({"active_agents":2,"dimension":"orch","total_forks":2})"},
                     {failed(), R"({"active_agents":1,"dimension":"orch","total_forks":2})"},
                     {completed(), R"({"active_agents":0,"dimension":"orch","total_forks":2})"},
                     {failed(), R"({"active_agents":0,"dimension":"orch","total_forks":2})"},
                 });
}

}  // namespace
}  // namespace brask::observers
