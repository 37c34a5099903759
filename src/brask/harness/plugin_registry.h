#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "brask/core/contracts.h"

namespace brask::harness {

// The observers, detectors and strategies of one harness. Filled once on one thread, then shared
// read-only by the pipelines built from it.
class PluginRegistry {
 public:
  // Keyed by name(); a later registration under the same name replaces the earlier plugin.
  void register_observer(core::ObserverPtr observer);
  void register_detector(core::DetectorPtr detector);
  // Kept sorted by priority, highest first; equal priorities keep registration order.
  void register_strategy(core::StrategyPtr strategy);

  // In the maps' order; kept up to date by the registrations, since every cycle reads them.
  const std::vector<core::ObserverPtr>& observers() const { return observer_list_; }
  const std::vector<core::DetectorPtr>& detectors() const { return detector_list_; }
  const std::vector<core::StrategyPtr>& strategies() const { return strategies_; }

  std::size_t observer_count() const { return observers_.size(); }
  std::size_t detector_count() const { return detectors_.size(); }
  std::size_t strategy_count() const { return strategies_.size(); }

 private:
  std::unordered_map<std::string, core::ObserverPtr> observers_;
  std::unordered_map<std::string, core::DetectorPtr> detectors_;
  std::vector<core::ObserverPtr> observer_list_;
  std::vector<core::DetectorPtr> detector_list_;
  std::vector<core::StrategyPtr> strategies_;
};

}  // namespace brask::harness
