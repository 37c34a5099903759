#include "brask/harness/factory.h"

#include <fmt/format.h>

#include "brask/core/log.h"
#include "brask/harness/catalogue.h"

namespace brask::harness {
namespace {

constexpr std::string_view kUnknownObserver = "Unknown observer '{}' \u2014 skipping";
constexpr std::string_view kUnknownDetector = "Unknown detector '{}' \u2014 skipping";
constexpr std::string_view kUnknownStrategy = "Unknown strategy '{}' \u2014 skipping";

template <typename Make, typename Register>
void register_each(std::span<const std::string_view> names, Make make, Register add,
                   std::string_view unknown_message) {
  for (const auto name : names) {
    if (auto plugin = make(name)) {
      add(std::move(plugin));
    } else {
      core::logger(core::kLogFactory)->warn(fmt::runtime(unknown_message), name);
    }
  }
}

}  // namespace

void register_observers(PluginRegistry& registry, std::span<const std::string_view> names) {
  register_each(
      names, make_observer,
      [&](core::ObserverPtr plugin) { registry.register_observer(std::move(plugin)); },
      kUnknownObserver);
}

void register_detectors(PluginRegistry& registry, std::span<const std::string_view> names) {
  register_each(
      names, make_detector,
      [&](core::DetectorPtr plugin) { registry.register_detector(std::move(plugin)); },
      kUnknownDetector);
}

void register_strategies(PluginRegistry& registry, std::span<const std::string_view> names) {
  register_each(
      names, make_strategy,
      [&](core::StrategyPtr plugin) { registry.register_strategy(std::move(plugin)); },
      kUnknownStrategy);
}

PluginRegistry build_registry_from_preset(Preset preset) {
  PluginRegistry registry;
  register_observers(registry, observers(preset));
  register_detectors(registry, detectors(preset));
  register_strategies(registry, strategies(preset));
  return registry;
}

boost::asio::awaitable<core::Result<HarnessResult>> run_harness_session(Preset preset,
                                                                        agent::AdapterPtr adapter,
                                                                        std::string task) {
  co_return co_await run_with_registry(build_registry_from_preset(preset),
                                       RuntimeConfig{.session_id = std::nullopt, .dry_run = false},
                                       std::move(task), std::move(adapter));
}

}  // namespace brask::harness
