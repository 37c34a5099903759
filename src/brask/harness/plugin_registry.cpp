#include "brask/harness/plugin_registry.h"

#include <algorithm>

namespace brask::harness {
namespace {

template <typename Map>
auto values_of(const Map& map) {
  std::vector<typename Map::mapped_type> out;
  out.reserve(map.size());
  for (const auto& [name, plugin] : map) out.push_back(plugin);
  return out;
}

}  // namespace

void PluginRegistry::register_observer(core::ObserverPtr observer) {
  std::string name(observer->name());
  observers_.insert_or_assign(std::move(name), std::move(observer));
}

void PluginRegistry::register_detector(core::DetectorPtr detector) {
  std::string name(detector->name());
  detectors_.insert_or_assign(std::move(name), std::move(detector));
}

void PluginRegistry::register_strategy(core::StrategyPtr strategy) {
  strategies_.push_back(std::move(strategy));
  std::stable_sort(strategies_.begin(), strategies_.end(),
                   [](const auto& a, const auto& b) { return a->priority() > b->priority(); });
}

std::vector<core::ObserverPtr> PluginRegistry::observers() const {
  return values_of(observers_);
}

std::vector<core::DetectorPtr> PluginRegistry::detectors() const {
  return values_of(detectors_);
}

}  // namespace brask::harness
