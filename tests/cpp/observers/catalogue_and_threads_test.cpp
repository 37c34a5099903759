#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "brask/observers/accuracy_watcher.h"
#include "brask/observers/comm_watcher.h"
#include "brask/observers/compliance_watcher.h"
#include "brask/observers/context_quality_watcher.h"
#include "brask/observers/cost_watcher.h"
#include "brask/observers/diversity_watcher.h"
#include "brask/observers/latency_watcher.h"
#include "brask/observers/memory_watcher.h"
#include "brask/observers/orch_watcher.h"
#include "brask/observers/reliability_watcher.h"
#include "brask/observers/security_watcher.h"
#include "brask/observers/token_watcher.h"
#include "observers/event_builders.h"

namespace brask::observers {
namespace {

using namespace test;  // NOLINT: event makers

TEST(Observers, CatalogueNamesDimensionsAndRecordTags) {
  struct Entry {
    std::shared_ptr<core::Observer> watcher;
    std::string name, dimension;
    AgentEvent answered;  // an event the watcher answers
  };
  const std::vector<Entry> catalogue = {
      {std::make_shared<TokenWatcher>(), "token", "token_efficiency", usage(1, 1, 0, 0)},
      {std::make_shared<CostWatcher>(), "cost", "cost", usage(1, 1, 0, 0)},
      {std::make_shared<LatencyWatcher>(), "latency", "latency", tool_end("")},
      {std::make_shared<MemoryWatcher>(), "memory", "memory", started()},
      {std::make_shared<ReliabilityWatcher>(), "reliability", "reliability", started()},
      {std::make_shared<CommWatcher>(), "comm", "communication", started()},
      {std::make_shared<OrchWatcher>(), "orch", "orchestration", started()},
      {std::make_shared<SecurityWatcher>(), "security", "security", output("sk-1")},
      {std::make_shared<AccuracyWatcher>(), "accuracy", "accuracy", tool_end("")},
      {std::make_shared<ComplianceWatcher>(), "compliance", "compliance", started()},
      {std::make_shared<ContextQualityWatcher>(), "context_quality", "context_quality", started()},
      {std::make_shared<DiversityWatcher>(), "diversity", "diversity", started()},
  };
  for (const auto& entry : catalogue) {
    EXPECT_EQ(entry.watcher->name(), entry.name);
    EXPECT_EQ(entry.watcher->dimension(), entry.dimension) << entry.name;
    const auto record = entry.watcher->observe(entry.answered);
    ASSERT_TRUE(record) << entry.name;
    EXPECT_EQ(record->get_string("dimension"), entry.name);
  }
}

// One set of watchers shared by several threads, as concurrent pipelines share them: every
// showing is counted once, and the context-quality watcher counts one first read per path.
TEST(Observers, FiguresAddUpUnderConcurrentCalls) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 300;
  constexpr int kPaths = 10;
  TokenWatcher token;
  CostWatcher cost;
  LatencyWatcher latency;
  CommWatcher comm;
  OrchWatcher orch;
  AccuracyWatcher accuracy;
  ContextQualityWatcher context;
  DiversityWatcher diversity;
  std::vector<core::Observer*> all = {&token, &cost,     &latency, &comm,
                                      &orch,  &accuracy, &context, &diversity};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const std::string me = "agent-" + std::to_string(t);
      for (int i = 0; i < kRounds; ++i) {
        const std::string path = "f" + std::to_string(i % kPaths);
        const std::vector<AgentEvent> history = {
            usage(1000, 0, i % 2 == 0 ? 0 : 5, 0),
            tool_start("read", {{"file_path", path}}),
            tool_end("test passed", false, 10),
            tool_end("FAILED", true, 20),
            sent(me, 1),
            forked(),
            completed(),
            output(path),
        };
        for (const auto& event : history) {
          for (auto* watcher : all) watcher->observe(event);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();

  constexpr std::uint64_t kShown = std::uint64_t{kThreads} * kRounds;
  EXPECT_EQ(token.token_totals().size(), kShown);
  EXPECT_EQ(token.cache_hit_rate(), 0.5);
  EXPECT_EQ(token.dedup_rate(), 0.0);
  EXPECT_EQ(cost.turn_costs().size(), kShown);
  EXPECT_NEAR(cost.total_cost(), static_cast<double>(kShown) * 0.003, 1e-9);

  const auto lat = latency.observe(tool_end("", false, 15));
  EXPECT_EQ(lat->get_unsigned("count"), 2 * kShown + 1);
  // Equal numbers of 10s and 20s, so the one 15 sits exactly at index n / 2.
  EXPECT_EQ(lat->get_number("p50_ms"), 15.0);

  const auto neutral = thinking_start();
  EXPECT_EQ(text_of(comm.observe(neutral)),
            nlohmann::json(
                {{"dimension", "comm"}, {"participants", kThreads}, {"total_messages", kShown}})
                .dump());
  EXPECT_EQ(text_of(orch.observe(neutral)),
            nlohmann::json({{"active_agents", 0}, {"dimension", "orch"}, {"total_forks", kShown}})
                .dump());
  EXPECT_EQ(text_of(accuracy.observe(tool_end(""))),
            nlohmann::json({{"dimension", "accuracy"}, {"lint_errors", 0}, {"test_pass_rate", 0.5}})
                .dump());
  const auto ctx = context.observe(neutral);
  EXPECT_EQ(ctx->get_unsigned("unique_files"), std::uint64_t{kPaths});
  EXPECT_EQ(ctx->get_number("redundancy_ratio"),
            static_cast<double>(kShown - kPaths) / static_cast<double>(kShown));
  EXPECT_EQ(diversity.observe(neutral)->get_unsigned("unique_approaches"), std::uint64_t{kPaths});
}

}  // namespace
}  // namespace brask::observers
