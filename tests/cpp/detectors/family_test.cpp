// Rules every detector shares: catalogue texts, silence on empty or non-object input, and the
// common issue fields.
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "brask/core/time.h"
#include "brask/detectors/accuracy_risk.h"
#include "brask/detectors/compliance_gap.h"
#include "brask/detectors/conversation_stall.h"
#include "brask/detectors/cost_anomaly.h"
#include "brask/detectors/deadlock.h"
#include "brask/detectors/goal_drift.h"
#include "brask/detectors/hallucination.h"
#include "brask/detectors/loop_detector.h"
#include "brask/detectors/model_mismatch.h"
#include "brask/detectors/output_degradation.h"
#include "brask/detectors/prompt_injection.h"
#include "brask/detectors/resource_exhaustion.h"
#include "brask/detectors/runaway_cost.h"
#include "brask/detectors/secret_leak.h"
#include "brask/detectors/stale_context.h"
#include "brask/detectors/variety_collapse.h"
#include "detectors/detector_test_support.h"

namespace brask::detectors {
namespace {

using testing::records;

struct Case {
  std::function<std::shared_ptr<core::Detector>()> make;
  std::string_view name;
  std::string_view description;
  std::string_view category;
  std::vector<std::string> strategies;
  // Observations that make the default-built detector report at least one issue.
  std::function<std::vector<core::Observation>()> trigger;
};

std::vector<core::Observation> repeated(std::string_view text, int times) {
  std::vector<core::Observation> out;
  for (int i = 0; i < times; ++i) {
    out.push_back(core::Observation::from_json(nlohmann::json::parse(text)));
  }
  return out;
}

template <typename T>
std::function<std::shared_ptr<core::Detector>()> maker() {
  return [] { return std::make_shared<T>(); };
}

std::vector<Case> catalogue() {
  return {
      {maker<LoopDetector>(),
       "loop",
       "Detects when an agent calls the same tool repeatedly without progress",
       "loop",
       {"nudge", "interject", "replace"},
       [] { return repeated(R"({"tool_name":"grep"})", 4); }},
      {maker<StaleContextDetector>(),
       "stale_context",
       "Detects duplicate file reads and high context pressure",
       "stale_context",
       {"compact"},
       [] { return records({R"({"context_pressure":0.9})"}); }},
      {maker<HallucinationDetector>(),
       "hallucination",
       "Detects references to non-existent files/APIs",
       "hallucination",
       {"nudge"},
       [] { return records({R"({"file_reference":"no/such/file.rs"})"}); }},
      {maker<GoalDriftDetector>(),
       "goal_drift",
       "Detects when agent diverges from original task",
       "goal_drift",
       {"nudge", "interject"},
       [] { return records({R"({"original_task":"a","current_output":"b"})"}); }},
      {maker<SecretLeakDetector>(),
       "secret_leak",
       "Detects API keys, tokens, passwords, and credentials in agent output",
       "secret_leak",
       {"circuit_break", "quarantine", "pause"},
       [] { return records({R"({"content":"AKIAXXXX"})"}); }},
      {maker<PromptInjectionDetector>(),
       "prompt_injection",
       "Detects attempts to override system instructions",
       "prompt_injection",
       {"circuit_break", "pause"},
       [] { return records({R"({"content":"bypass"})"}); }},
      {maker<ComplianceGapDetector>(),
       "compliance_gap",
       "Detects skipped human gates, audit gaps, PII exposure",
       "compliance_gap",
       {"circuit_break", "pause", "quarantine"},
       [] { return records({R"({"compliance_gap":"x"})"}); }},
      {maker<AccuracyRiskDetector>(),
       "accuracy_risk",
       "Detects generated code without tests or verification",
       "accuracy_risk",
       {"nudge"},
       [] { return records({R"({"tool":"write"})"}); }},
      {maker<ModelMismatchDetector>(),
       "model_mismatch",
       "Detects wrong model for task complexity",
       "model_mismatch",
       {"escalate"},
       [] { return records({R"({"task":"design it","model":"flash"})"}); }},
      {maker<CostAnomalyDetector>(),
       "cost_anomaly",
       "Detects cost spikes vs historical baseline",
       "cost_anomaly",
       {"degrade", "escalate"},
       [] {
         return testing::series("cost_per_turn", {1, 1, 1, 1, 1, 4});
       }},
      {maker<RunawayCostDetector>(),
       "runaway_cost",
       "Detects accelerating cost (2nd derivative)",
       "runaway_cost",
       {"degrade", "circuit_break"},
       [] {
         return testing::series("cost_per_turn", {0, 1, 3, 6, 12, 24});
       }},
      {maker<OutputDegradationDetector>(),
       "output_degradation",
       "Detects declining output quality over time",
       "output_degradation",
       {"replace", "compact"},
       [] {
         return testing::series("quality_score", {1.0, 0.6, 0.3, 0.0});
       }},
      {maker<ResourceExhaustionDetector>(),
       "resource_exhaustion",
       "Detects disk/memory/network exhaustion",
       "resource_exhaustion",
       {"compact", "pause"},
       [] { return records({R"({"resource":"disk","usage_pct":85})"}); }},
      {maker<DeadlockDetector>(),
       "deadlock",
       "Detects circular wait between agents",
       "deadlock",
       {"reroute"},
       [] {
         return records({R"({"waiting_agent":"a","waiting_for":"a","wait_duration_secs":60})"});
       }},
      {maker<ConversationStallDetector>(),
       "conversation_stall",
       "Detects when multi-agent conversation has stopped",
       "conversation_stall",
       {"nudge", "change_speaker"},
       [] {
         return records(
             {fmt::format(R"({{"msg_timestamp_ms":{}}})", core::unix_millis_now() - 600'000)});
       }},
      {maker<VarietyCollapseDetector>(),
       "variety_collapse",
       "Detects when agents produce near-identical outputs",
       "variety_collapse",
       {"diversify"},
       [] { return repeated(R"({"agent_output":"same"})", 3); }},
  };
}

bool is_v4(const core::Uuid& id) {
  return (id.bytes()[6] >> 4) == 4 && (id.bytes()[8] & 0xC0) == 0x80;
}

TEST(DetectorFamily, CatalogueNamesAndDescriptions) {
  std::set<std::string_view> names;
  for (const auto& c : catalogue()) {
    const auto detector = c.make();
    EXPECT_EQ(detector->name(), c.name);
    EXPECT_EQ(detector->description(), c.description);
    names.insert(detector->name());
  }
  EXPECT_EQ(names.size(), 16u);
}

TEST(DetectorFamily, NothingFromEmptyOrNonObjectInput) {
  // Arrays, strings, numbers, null: none of them has members, whatever they contain.
  const auto non_objects = records({R"([{"tool_name":"grep"}])", R"("file_reference")", "42",
                                    "null", "true", R"(["sk-ant-x","--password"])"});
  for (const auto& c : catalogue()) {
    SCOPED_TRACE(c.name);
    const auto detector = c.make();
    EXPECT_TRUE(detector->detect("agent", {}).empty());
    for (int round = 0; round < 5; ++round) {  // enough rounds to pass every count threshold
      EXPECT_TRUE(detector->detect("agent", non_objects).empty());
    }
  }
}

TEST(DetectorFamily, IssuesCarryTheSharedFields) {
  for (const auto& c : catalogue()) {
    SCOPED_TRACE(c.name);
    const auto detector = c.make();
    const auto observations = c.trigger();
    const auto issues = detector->detect("agent-7", observations);
    ASSERT_FALSE(issues.empty());
    const auto again = detector->detect("agent-7", observations);
    ASSERT_FALSE(again.empty());
    for (const auto& issue : issues) {
      EXPECT_EQ(issue.agent_id, "agent-7");
      EXPECT_TRUE(is_v4(issue.id)) << issue.id.to_string();
      EXPECT_NE(issue.id, again.front().id);
      EXPECT_EQ(core::category_name(issue.category), c.category);
      EXPECT_EQ(issue.suggested_strategies, c.strategies);
      EXPECT_GE(issue.confidence, 0.0);
      EXPECT_LE(issue.confidence, 1.0);
      EXPECT_FALSE(issue.description.empty());
      EXPECT_FALSE(issue.details.empty());
    }
  }
}

}  // namespace
}  // namespace brask::detectors
