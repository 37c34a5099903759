#include <algorithm>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spdlog/sinks/base_sink.h>

#include "brask/core/log.h"
#include "brask/harness/catalogue.h"
#include "brask/harness/factory.h"
#include "brask/harness/presets.h"
#include "brask/strategies/compact.h"

namespace brask::harness {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct LogLine {
  std::string logger;
  spdlog::level::level_enum level;
  std::string text;
  bool operator==(const LogLine&) const = default;
};

// Collects every log event written while it is alive.
class CapturedLog {
 public:
  CapturedLog() : sink_(std::make_shared<Sink>()) { core::log_output()->add_sink(sink_); }
  ~CapturedLog() { core::log_output()->remove_sink(sink_); }
  CapturedLog(const CapturedLog&) = delete;
  CapturedLog& operator=(const CapturedLog&) = delete;

  std::vector<LogLine> lines() const {
    std::lock_guard lock(sink_->lines_mutex);
    return sink_->lines;
  }

 private:
  struct Sink : spdlog::sinks::base_sink<std::mutex> {
    mutable std::mutex lines_mutex;
    std::vector<LogLine> lines;

   protected:
    void sink_it_(const spdlog::details::log_msg& msg) override {
      std::lock_guard lock(lines_mutex);
      lines.push_back({std::string(msg.logger_name.begin(), msg.logger_name.end()), msg.level,
                       std::string(msg.payload.begin(), msg.payload.end())});
    }
    void flush_() override {}
  };
  std::shared_ptr<Sink> sink_;
};

LogLine factory_warning(std::string text) {
  return {"brask_harness::factory", spdlog::level::warn, std::move(text)};
}

template <typename Plugins>
std::set<std::string_view> names_in(const Plugins& plugins) {
  std::set<std::string_view> out;
  for (const auto& plugin : plugins) out.insert(plugin->name());
  return out;
}

TEST(Presets, NamesInOrdinalOrder) {
  std::vector<std::string_view> names;
  for (std::size_t i = 0; i < all_presets().size(); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(all_presets()[i]), i);
    names.push_back(preset_name(all_presets()[i]));
  }
  EXPECT_THAT(names, ElementsAre("solo", "langgraph", "crewai", "autogen", "langchain",
                                 "openai-swarm", "semantic-kernel", "haystack", "dspy",
                                 "llamaindex", "taskweaver", "agno", "atomic-agents", "bee-agent",
                                 "pydantic-ai", "claude-code", "aider", "cline", "continue",
                                 "vercel-ai", "copilot", "cursor", "windsurf", "devin", "amazon-q",
                                 "replit-agent", "pearai", "bolt-new", "lovable", "v0", "custom"));
}

TEST(Presets, ListsKeepTheTableOrder) {
  EXPECT_THAT(observers(Preset::Solo),
              ElementsAre("token", "latency", "cost", "accuracy", "security", "reliability",
                          "context_quality", "orch"));
  EXPECT_THAT(detectors(Preset::ClaudeCode),
              ElementsAre("loop", "stale_context", "cost_anomaly", "secret_leak", "hallucination",
                          "accuracy_risk", "model_mismatch", "runaway_cost"));
  EXPECT_THAT(strategies(Preset::Langgraph),
              ElementsAre("reroute", "nudge", "compact", "pause", "rollback"));
  EXPECT_THAT(strategies(Preset::Custom), ElementsAre("nudge", "compact", "pause"));
}

TEST(Catalogue, NamesInListingOrder) {
  EXPECT_THAT(observer_names(),
              ElementsAre("token", "latency", "cost", "accuracy", "security", "reliability",
                          "context_quality", "orch", "comm", "compliance", "memory", "diversity"));
  EXPECT_THAT(
      detector_names(),
      ElementsAre("loop", "stale_context", "cost_anomaly", "deadlock", "hallucination",
                  "prompt_injection", "secret_leak", "variety_collapse", "conversation_stall",
                  "goal_drift", "model_mismatch", "accuracy_risk", "runaway_cost",
                  "resource_exhaustion", "output_degradation", "compliance_gap"));
  EXPECT_THAT(strategy_names(), ElementsAre("nudge", "degrade", "fork", "compact", "diversify",
                                            "reroute", "escalate", "rollback", "pause", "interject",
                                            "quarantine", "replace", "isolate", "circuit_break"));
}

TEST(Catalogue, EveryMakerBuildsAFreshPluginOfItsName) {
  auto check = [](const auto& table) {
    for (const auto& row : table) {
      SCOPED_TRACE(std::string(row.name));
      const auto first = row.make();
      const auto second = row.make();
      ASSERT_TRUE(first && second);
      EXPECT_EQ(first->name(), row.name);
      EXPECT_NE(first, second);
    }
  };
  check(observer_catalogue());
  check(detector_catalogue());
  check(strategy_catalogue());

  const auto compact =
      std::dynamic_pointer_cast<strategies::CompactStrategy>(make_strategy("compact"));
  ASSERT_NE(compact, nullptr);
  EXPECT_DOUBLE_EQ(compact->target_ratio(), 0.6);
}

TEST(Factory, UnknownNamesAreLoggedAndSkipped) {
  CapturedLog log;
  PluginRegistry registry;
  const std::vector<std::string_view> detector_list = {"loop", "no_such_detector", "deadlock"};
  register_detectors(registry, detector_list);
  // Matching is exact: a capitalised name is a different, unknown name.
  const std::vector<std::string_view> observer_list = {"Token", "cost"};
  register_observers(registry, observer_list);
  const std::vector<std::string_view> strategy_list = {"nudge", "", "pause"};
  register_strategies(registry, strategy_list);

  EXPECT_EQ(names_in(registry.detectors()), (std::set<std::string_view>{"loop", "deadlock"}));
  EXPECT_EQ(names_in(registry.observers()), (std::set<std::string_view>{"cost"}));
  EXPECT_EQ(registry.strategy_count(), 2u);
  EXPECT_THAT(log.lines(),
              ElementsAre(factory_warning("Unknown detector 'no_such_detector' \u2014 skipping"),
                          factory_warning("Unknown observer 'Token' \u2014 skipping"),
                          factory_warning("Unknown strategy '' \u2014 skipping")));
}

TEST(Factory, DuplicateNamesReplaceTheEarlierPlugin) {
  PluginRegistry registry;
  const std::vector<std::string_view> once = {"token"};
  register_observers(registry, once);
  register_detectors(registry, std::vector<std::string_view>{"loop"});
  const auto first_observer = registry.observers().front();
  const auto first_detector = registry.detectors().front();

  register_observers(registry, once);
  register_detectors(registry, std::vector<std::string_view>{"loop"});
  ASSERT_EQ(registry.observer_count(), 1u);
  ASSERT_EQ(registry.detector_count(), 1u);
  EXPECT_NE(registry.observers().front(), first_observer);
  EXPECT_NE(registry.detectors().front(), first_detector);
}

TEST(Factory, EveryPresetBuildsWithEveryNameKnown) {
  CapturedLog log;
  for (const auto preset : all_presets()) {
    SCOPED_TRACE(std::string(preset_name(preset)));
    const auto registry = build_registry_from_preset(preset);
    const auto observer_list = observers(preset);
    const auto detector_list = detectors(preset);
    const auto strategy_list = strategies(preset);
    EXPECT_EQ(names_in(registry.observers()),
              std::set<std::string_view>(observer_list.begin(), observer_list.end()));
    EXPECT_EQ(names_in(registry.detectors()),
              std::set<std::string_view>(detector_list.begin(), detector_list.end()));
    EXPECT_EQ(registry.observer_count(), observer_list.size());
    EXPECT_EQ(registry.detector_count(), detector_list.size());
    ASSERT_EQ(registry.strategy_count(), strategy_list.size());
    EXPECT_EQ(names_in(registry.strategies()),
              std::set<std::string_view>(strategy_list.begin(), strategy_list.end()));
    EXPECT_FALSE(names_in(registry.strategies()).contains("circuit_break"));
  }
  EXPECT_THAT(log.lines(), ElementsAreArray(std::vector<LogLine>{}));
}

TEST(Factory, PresetPluginCounts) {
  struct Row {
    Preset preset;
    std::size_t observers, detectors, strategies;
  };
  for (const auto& row : {Row{Preset::Solo, 8, 7, 5}, Row{Preset::Pearai, 3, 2, 2}}) {
    SCOPED_TRACE(std::string(preset_name(row.preset)));
    const auto registry = build_registry_from_preset(row.preset);
    EXPECT_EQ(registry.observer_count(), row.observers);
    EXPECT_EQ(registry.detector_count(), row.detectors);
    EXPECT_EQ(registry.strategy_count(), row.strategies);
  }
}

TEST(Factory, PresetStrategiesAreRankedByPriority) {
  auto order_of = [](Preset preset) {
    std::vector<std::string_view> out;
    const auto registry = build_registry_from_preset(preset);
    for (const auto& strategy : registry.strategies()) {
      out.push_back(strategy->name());
    }
    return out;
  };
  EXPECT_THAT(order_of(Preset::Solo),
              ElementsAre("replace", "pause", "escalate", "compact", "nudge"));
  // compact and diversify tie at 20: the preset's list order decides.
  EXPECT_THAT(order_of(Preset::Agno),
              ElementsAre("replace", "pause", "compact", "diversify", "nudge"));
}

}  // namespace
}  // namespace brask::harness
