#include "brask/harness/plugin_registry.h"

#include <algorithm>

namespace brask::harness {
namespace {

template <typename Map>
void list_values(const Map& map, std::vector<typename Map::mapped_type>& out) {
  out.clear();
  out.reserve(map.size());
  for (const auto& [name, plugin] : map) out.push_back(plugin);
}

}  // namespace

void PluginRegistry::register_observer(core::ObserverPtr observer) {
  std::string name(observer->name());
  observers_.insert_or_assign(std::move(name), std::move(observer));
  list_values(observers_, observer_list_);
}

void PluginRegistry::register_detector(core::DetectorPtr detector) {
  std::string name(detector->name());
  detectors_.insert_or_assign(std::move(name), std::move(detector));
  list_values(detectors_, detector_list_);
}

void PluginRegistry::register_strategy(core::StrategyPtr strategy) {
  strategies_.push_back(std::move(strategy));
  std::stable_sort(strategies_.begin(), strategies_.end(),
                   [](const auto& a, const auto& b) { return a->priority() > b->priority(); });
}

}  // namespace brask::harness
