#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "brask/agent/mock_agent.h"
#include "brask/core/contracts.h"
#include "brask/core/events.h"
#include "brask/harness/blocking.h"
#include "brask/harness/factory.h"
#include "brask/harness/pipeline.h"
#include "brask/harness/presets.h"

namespace brask::harness {
namespace {

namespace ev = core::event;
namespace iv = core::intervention;

// Turns tool calls and outputs into the members the loop and secret-leak detectors read.
class ProbeObserver final : public core::Observer {
 public:
  std::string_view name() const override { return "probe"; }
  std::string_view dimension() const override { return "probe"; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override {
    if (const auto* call = event.get_if<ev::ToolCallStart>()) {
      return core::Observation("probe").set_text("tool_name", call->tool);
    }
    if (const auto* output = event.get_if<ev::OutputComplete>()) {
      return core::Observation("probe").set_text("content", output->content);
    }
    return std::nullopt;
  }
};

std::shared_ptr<const PluginRegistry> probe_registry() {
  auto registry = std::make_shared<PluginRegistry>();
  registry->register_observer(std::make_shared<ProbeObserver>());
  register_detectors(*registry, std::vector<std::string_view>{"loop", "secret_leak"});
  register_strategies(*registry, std::vector<std::string_view>{"nudge", "pause", "circuit_break"});
  return registry;
}

void feed_session(Pipeline& pipeline) {
  const auto now = core::utc_now();
  pipeline.feed(ev::Started{"a1", "fix the bug", now});
  for (int i = 0; i < 5; ++i) pipeline.feed(ev::ToolCallStart{"a1", "grep", {}, now});
  pipeline.feed(ev::ThinkingStart{"a1", now});  // observed as nothing
  pipeline.feed(ev::OutputComplete{"a1", "export AWS_KEY=AKIAABCDEFGH", now});
}

TEST(PipelineCycle, ObserveDetectAndDecideTogether) {
  for (const bool dry_run : {false, true}) {
    SCOPED_TRACE(dry_run ? "dry run" : "live");
    Pipeline pipeline(probe_registry(), dry_run);
    feed_session(pipeline);

    const auto interventions = pipeline.cycle("a1");

    ASSERT_TRUE(pipeline.last_cycle().has_value());
    const auto& record = *pipeline.last_cycle();
    EXPECT_EQ(record.observations.size(), 6u);
    ASSERT_EQ(record.issues.size(), 2u);
    ASSERT_EQ(record.strategy_results.size(), 2u);
    // Detector order is the registry map's, so each issue is checked by its category.
    for (std::size_t i = 0; i < record.issues.size(); ++i) {
      const auto& issue = record.issues[i];
      const auto& result = record.strategy_results[i];
      EXPECT_EQ(issue.agent_id, "a1");
      if (const auto* loop = std::get_if<core::category::Loop>(&issue.category)) {
        EXPECT_EQ(loop->tool, "grep");
        EXPECT_EQ(issue.severity, core::Severity::Warning);
        // circuit_break declines a loop; pause (30) outranks nudge (10) for a sure issue.
        EXPECT_EQ(result.strategy_name, "pause");
        EXPECT_EQ(std::get<iv::Pause>(result.intervention).reason, issue.description);
      } else {
        ASSERT_TRUE(std::holds_alternative<core::category::SecretLeak>(issue.category));
        EXPECT_EQ(issue.severity, core::Severity::Critical);
        EXPECT_EQ(result.strategy_name, "circuit_break");
        EXPECT_EQ(result.intervention,
                  core::Intervention(iv::CircuitBreak{
                      "Critical issue detected: " + issue.description + " (confidence: 100%)"}));
      }
    }

    if (dry_run) {
      EXPECT_TRUE(interventions.empty());
      EXPECT_FALSE(record.intervention.has_value());
    } else {
      ASSERT_EQ(interventions.size(), 2u);
      EXPECT_EQ(interventions[0], record.strategy_results[0].intervention);
      EXPECT_EQ(interventions[1], record.strategy_results[1].intervention);
      EXPECT_EQ(record.intervention, interventions.back());
    }
    EXPECT_EQ(pipeline.stats().cycles, 1u);
    EXPECT_EQ(pipeline.stats().detections, 2u);
    EXPECT_EQ(pipeline.stats().interventions, dry_run ? 0u : 1u);
  }
}

TEST(PipelineCycle, AnIssueNoStrategyTakesGetsNoIntervention) {
  // Only strategies that decline a loop: the issue is recorded, nothing is chosen.
  auto registry = std::make_shared<PluginRegistry>();
  registry->register_observer(std::make_shared<ProbeObserver>());
  register_detectors(*registry, std::vector<std::string_view>{"loop"});
  register_strategies(*registry,
                      std::vector<std::string_view>{"compact", "quarantine", "circuit_break"});
  Pipeline pipeline(registry, false);
  feed_session(pipeline);

  EXPECT_TRUE(pipeline.cycle("a1").empty());
  ASSERT_TRUE(pipeline.last_cycle().has_value());
  EXPECT_EQ(pipeline.last_cycle()->issues.size(), 1u);
  EXPECT_TRUE(pipeline.last_cycle()->strategy_results.empty());
  EXPECT_FALSE(pipeline.last_cycle()->intervention.has_value());
}

TEST(PresetRuns, FourMockTurnsGiveNineCyclesUnderEveryPreset) {
  for (const auto preset : all_presets()) {
    SCOPED_TRACE(std::string(preset_name(preset)));
    auto agent = std::make_shared<agent::MockAgent>("mock-agent", 4);
    const auto result = run_blocking(run_harness_session(preset, agent, "write a parser"));
    ASSERT_TRUE(result.has_value()) << result.error().message();
    EXPECT_EQ(result->agent_id, "mock-agent");
    EXPECT_TRUE(result->success);
    EXPECT_EQ(result->observation_count, 9u);
    // The mock's plain script (think, search, read the result) gives no detector anything to flag.
    EXPECT_EQ(result->detection_count, 0u);
    EXPECT_EQ(result->intervention_count, 0u);
  }
}

}  // namespace
}  // namespace brask::harness
