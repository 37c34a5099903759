#include "brask/harness/pipeline.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brask/core/text_form.h"
#include "harness/fakes.h"

namespace brask::harness {
namespace {

using testing::CountingObserver;
using testing::issue_of;
using testing::nudge;
using testing::ScriptedDetector;
using testing::ScriptedStrategy;

core::SharedEvent thinking() {
  return std::make_shared<const core::AgentEvent>(core::event::ThinkingStart{"a", core::utc_now()});
}

// Takes every record and fails every write: the cycle must not care.
class FailingRecorder : public core::AuditStore {
 public:
  core::Result<void> record(const core::AuditEvent& event) override {
    records.push_back(event);
    return std::unexpected(core::BraskError::audit("store is full"));
  }
  std::vector<core::AuditEvent> records;
};

// Three issues per cycle: a loop (nudged), goal drift (nobody proposes) and a secret leak (the
// circuit breaker outranks the nudge). A strategy that always declines comes first.
struct Fixture {
  std::shared_ptr<CountingObserver> observer =
      std::make_shared<CountingObserver>("token", "token_efficiency");
  std::shared_ptr<ScriptedDetector> detector =
      std::make_shared<ScriptedDetector>("loop", [](std::size_t) {
        return std::vector<core::DetectedIssue>{
            issue_of(core::category::Loop{"grep", 5, 4}, core::Severity::Critical),
            issue_of(core::category::GoalDrift{0.2}),
            issue_of(core::category::SecretLeak{"aws"}, core::Severity::Error, 0.5)};
      });
  std::shared_ptr<ScriptedStrategy> declines =
      std::make_shared<ScriptedStrategy>("quarantine", 200, std::nullopt);
  std::shared_ptr<ScriptedStrategy> circuit = std::make_shared<ScriptedStrategy>(
      "circuit_break", 100, core::intervention::CircuitBreak{"leak"},
      std::vector<std::string_view>{"secret_leak"});
  std::shared_ptr<ScriptedStrategy> nudger = std::make_shared<ScriptedStrategy>(
      "nudge", 10, nudge("slow down"), std::vector<std::string_view>{"loop", "secret_leak"});

  std::shared_ptr<const PluginRegistry> registry() const {
    auto registry = std::make_shared<PluginRegistry>();
    registry->register_observer(observer);
    registry->register_detector(detector);
    registry->register_strategy(nudger);
    registry->register_strategy(circuit);
    registry->register_strategy(declines);
    return registry;
  }
};

TEST(Pipeline, CycleWithoutEventsObservesNothingAndStillAsksEveryDetector) {
  Fixture f;
  auto registry = std::make_shared<PluginRegistry>();
  registry->register_observer(f.observer);
  registry->register_detector(f.detector);
  auto quiet = std::make_shared<ScriptedDetector>("quiet");
  registry->register_detector(quiet);
  Pipeline pipeline(registry, false);
  ASSERT_FALSE(pipeline.last_cycle());
  EXPECT_EQ(pipeline.stats(), PipelineStats{});

  pipeline.cycle("agent-1");
  EXPECT_EQ(f.observer->calls(), 0u);
  using Seen = std::vector<std::pair<std::string, std::size_t>>;
  EXPECT_EQ(quiet->seen(), (Seen{{"agent-1", 0}}));
  EXPECT_EQ(f.detector->seen(), (Seen{{"agent-1", 0}}));
  ASSERT_TRUE(pipeline.last_cycle());
  EXPECT_TRUE(pipeline.last_cycle()->observations.empty());
  EXPECT_EQ(pipeline.last_cycle()->issues.size(), 3u);  // the scripted detector's
  EXPECT_EQ(pipeline.stats().cycles, 1u);
}

TEST(Pipeline, EveryCycleShowsTheWholeHistoryToEveryObserver) {
  auto registry = std::make_shared<PluginRegistry>();
  auto first = std::make_shared<CountingObserver>("first", "first");
  auto second = std::make_shared<CountingObserver>("second", "second");
  auto detector = std::make_shared<ScriptedDetector>("d");
  registry->register_observer(first);
  registry->register_observer(second);
  registry->register_detector(detector);
  Pipeline pipeline(registry, false);
  for (int i = 0; i < 3; ++i) pipeline.feed(thinking());
  pipeline.cycle("a");
  pipeline.feed(thinking());
  pipeline.cycle("a");
  EXPECT_EQ(first->calls(), 7u);  // 3, then all 4 again
  EXPECT_EQ(second->calls(), 7u);
  EXPECT_EQ(detector->seen(),
            (std::vector<std::pair<std::string, std::size_t>>{{"a", 6}, {"a", 8}}));
  // Each observer's observations come in history order, one observer after the other.
  std::vector<std::uint64_t> numbers;
  for (const auto& observation : pipeline.last_cycle()->observations) {
    numbers.push_back(*observation.get_unsigned("n"));
  }
  EXPECT_EQ(numbers, (std::vector<std::uint64_t>{4, 5, 6, 7, 4, 5, 6, 7}));
}

TEST(Pipeline, FirstProposalInPriorityOrderWinsForEachIssue) {
  Fixture f;
  Pipeline pipeline(f.registry(), false);
  const auto interventions = pipeline.cycle("a");
  EXPECT_EQ(interventions, (std::vector<core::Intervention>{
                               nudge("slow down"), core::intervention::CircuitBreak{"leak"}}));
  EXPECT_EQ(f.declines->calls(), 3u);  // asked first for every issue
  EXPECT_EQ(f.circuit->calls(), 3u);
  EXPECT_EQ(f.nudger->calls(), 2u);  // not asked once the circuit breaker won the leak

  const auto& record = *pipeline.last_cycle();
  EXPECT_EQ(record.issues.size(), 3u);
  ASSERT_EQ(record.strategy_results.size(), 2u);  // goal drift got no entry
  EXPECT_EQ(record.strategy_results[0].strategy_name, "nudge");
  EXPECT_EQ(record.strategy_results[1].strategy_name, "circuit_break");
  EXPECT_EQ(record.intervention, core::Intervention(core::intervention::CircuitBreak{"leak"}));
  EXPECT_EQ(pipeline.stats(), (PipelineStats{1, 3, 1, pipeline.cycles().front().duration_us}));
}

TEST(Pipeline, DryRunRecordsProposalsButReturnsNoIntervention) {
  Fixture f;
  Pipeline pipeline(f.registry(), true);
  EXPECT_TRUE(pipeline.cycle("a").empty());
  EXPECT_TRUE(pipeline.cycle("a").empty());
  const auto& record = *pipeline.last_cycle();
  EXPECT_FALSE(record.intervention);
  EXPECT_EQ(record.strategy_results.size(), 2u);
  const auto stats = pipeline.stats();
  EXPECT_EQ(stats.cycles, 2u);
  EXPECT_EQ(stats.detections, 6u);
  EXPECT_EQ(stats.interventions, 0u);
}

TEST(Pipeline, AuditTrailInCycleOrderWithSourcesDataAndSequence) {
  Fixture f;
  auto store = std::make_shared<FailingRecorder>();
  Pipeline pipeline = Pipeline(f.registry(), false).with_audit_store(store).with_human_gate({});
  pipeline.feed(thinking());
  pipeline.cycle("a");
  store->records.clear();
  pipeline.feed(thinking());
  pipeline.cycle("a");

  using Kind = core::AuditKind;
  const std::vector<std::tuple<Kind, std::string, nlohmann::json>> expected = {
      {Kind::Observation, "token_token_efficiency", {{"dimension", "token_efficiency"}, {"n", 2}}},
      {Kind::Observation, "token_token_efficiency", {{"dimension", "token_efficiency"}, {"n", 3}}},
      {Kind::Detection,
       "loop",
       {{"category", "loop"},
        {"severity", "Critical"},
        {"confidence", 0.75},
        {"human_gate", "would_pause"}}},
      {Kind::Detection,
       "loop",
       {{"category", "loop"}, {"severity", "Critical"}, {"confidence", 0.75}}},
      {Kind::Detection,
       "loop",
       {{"category", "goal_drift"}, {"severity", "Warning"}, {"confidence", 0.75}}},
      {Kind::Detection,
       "loop",
       {{"category", "secret_leak"}, {"severity", "Error"}, {"confidence", 0.5}}},
      {Kind::Decision,
       "nudge",
       {{"detection", "loop"},
        {"result",
         "StrategyResult { strategy_name: \"nudge\", intervention: Nudge { message: \"slow down\", "
         "reason: \"test\" }, priority: 10, reasoning: \"because\", confidence: 0.5 }"},
        {"dry_run", false}}},
      {Kind::Decision,
       "circuit_break",
       {{"detection", "secret_leak"},
        {"result",
         "StrategyResult { strategy_name: \"circuit_break\", intervention: CircuitBreak { reason: "
         "\"leak\" }, priority: 100, reasoning: \"because\", confidence: 0.5 }"},
        {"dry_run", false}}},
      {Kind::InterventionApplied,
       "intervention_applied",
       {{"intervention", "CircuitBreak { reason: \"leak\" }"}}},
  };
  ASSERT_EQ(store->records.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    const auto& record = store->records[i];
    EXPECT_EQ(record.kind, std::get<0>(expected[i]));
    EXPECT_EQ(record.source, std::get<1>(expected[i]));
    EXPECT_EQ(record.data, std::get<2>(expected[i]));
    EXPECT_EQ(record.sequence, 1u);  // one cycle completed before this one
    EXPECT_EQ(record.cycle_id, store->records.front().cycle_id);
    EXPECT_NE(record.id, record.cycle_id);
  }
  EXPECT_NE(store->records[0].id, store->records[1].id);
  EXPECT_EQ(pipeline.stats().cycles, 2u);  // failed writes did not stop anything
}

TEST(HumanGatePolicy, MatchRule) {
  using core::Severity;
  struct Case {
    Severity policy;
    double threshold;
    double factor;
    Severity issue;
    bool matches;
  };
  const std::vector<Case> cases = {
      {Severity::Critical, 1.0, 1.0, Severity::Critical, true},
      {Severity::Critical, 1.0, 1.0, Severity::Error, false},
      {Severity::Error, 1.0, 1.0, Severity::Critical, false},
      {Severity::Info, 0.99, 1.0, Severity::Info, true},
      {Severity::Info, 1.0, 1.01, Severity::Info, true},
      {Severity::Warning, 1.5, 0.5, Severity::Critical, false},
  };
  for (const auto& c : cases) {
    const HumanGatePolicy policy{"ops", c.threshold, c.factor, c.policy};
    EXPECT_EQ(policy.matches(issue_of(core::category::GoalDrift{0.1}, c.issue)), c.matches)
        << core::to_text(c.policy) << " " << c.threshold << " " << c.factor;
  }
}

TEST(PipelineStats, CountsAndIntegerMean) {
  EXPECT_EQ(summarize({}), PipelineStats{});
  const std::vector<CycleSummary> cycles = {
      {std::nullopt, 2, 10}, {nudge("x"), 1, 20}, {std::nullopt, 0, 31}};
  EXPECT_EQ(summarize(cycles), (PipelineStats{3, 3, 1, 20}));
}

TEST(Pipeline, FeedBroadcastsTheSharedEventAndNeverWaitsForReceivers) {
  auto broadcaster = async::make_broadcast<core::SharedEvent>(2);
  Pipeline pipeline =
      Pipeline(std::make_shared<PluginRegistry>(), false).with_event_broadcaster(broadcaster);
  for (int i = 0; i < 5; ++i) pipeline.feed(thinking());  // nobody subscribed: dropped
  auto receiver = broadcaster.subscribe();
  for (int i = 0; i < 5; ++i) pipeline.feed(thinking());  // more than the capacity
  EXPECT_EQ(receiver.try_recv(), async::BroadcastItem<core::SharedEvent>(async::Lagged{3}));
  auto item = receiver.try_recv();
  ASSERT_TRUE(item && std::holds_alternative<core::SharedEvent>(*item));
  EXPECT_EQ(std::get<core::SharedEvent>(*item), pipeline.event_bus().history()[8]);
  EXPECT_EQ(pipeline.event_bus().history().size(), 10u);
}

}  // namespace
}  // namespace brask::harness
