#include "brask/harness/plugin_registry.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness/fakes.h"

namespace brask::harness {
namespace {

using testing::CountingObserver;
using testing::ScriptedStrategy;

std::vector<std::string> strategy_order(
    const std::vector<std::pair<std::string, std::uint32_t>>& registrations) {
  PluginRegistry registry;
  for (const auto& [name, priority] : registrations) {
    registry.register_strategy(std::make_shared<ScriptedStrategy>(name, priority, std::nullopt));
  }
  std::vector<std::string> names;
  for (const auto& strategy : registry.strategies()) names.emplace_back(strategy->name());
  return names;
}

TEST(PluginRegistry, StrategiesByPriorityHighestFirstEqualOnesInRegistrationOrder) {
  struct Case {
    std::vector<std::pair<std::string, std::uint32_t>> registrations;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {{{"nudge", 10}, {"circuit_break", 100}, {"pause", 30}}, {"circuit_break", "pause", "nudge"}},
      {{{"compact", 20}, {"diversify", 20}}, {"compact", "diversify"}},
      {{{"diversify", 20}, {"compact", 20}}, {"diversify", "compact"}},
      {{{"a", 5}, {"b", 50}, {"c", 5}, {"d", 50}, {"e", 5}}, {"b", "d", "a", "c", "e"}},
  };
  for (const auto& c : cases) EXPECT_EQ(strategy_order(c.registrations), c.expected);
}

TEST(PluginRegistry, LaterPluginUnderTheSameNameReplacesTheEarlier) {
  PluginRegistry registry;
  auto first = std::make_shared<CountingObserver>("token", "token_efficiency");
  auto second = std::make_shared<CountingObserver>("token", "token_efficiency");
  std::weak_ptr<CountingObserver> released = first;
  registry.register_observer(std::move(first));
  registry.register_observer(second);
  EXPECT_TRUE(released.expired());
  ASSERT_EQ(registry.observers().size(), 1u);
  EXPECT_EQ(registry.observers().front(), second);

  registry.register_detector(std::make_shared<testing::ScriptedDetector>("loop"));
  auto loop = std::make_shared<testing::ScriptedDetector>("loop");
  registry.register_detector(loop);
  ASSERT_EQ(registry.detectors().size(), 1u);
  EXPECT_EQ(registry.detectors().front(), loop);
}

}  // namespace
}  // namespace brask::harness
