#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "brask/core/contracts.h"

namespace brask::harness {

// One plugin the system can build: its catalogue name and a maker that returns a new object
// with the standard settings.
template <typename Plugin>
struct CatalogueEntry {
  std::string_view name;
  std::shared_ptr<Plugin> (*make)();
};

// The built-in plugins of each kind, in listing order. Every list of plugin names (the Python
// catalogue, the server's catalogue and parsers) is read from these tables.
std::span<const CatalogueEntry<core::Observer>> observer_catalogue();
std::span<const CatalogueEntry<core::Detector>> detector_catalogue();
std::span<const CatalogueEntry<core::Strategy>> strategy_catalogue();

// The names of the tables above, in the same order.
std::vector<std::string_view> observer_names();
std::vector<std::string_view> detector_names();
std::vector<std::string_view> strategy_names();

// A new plugin for an exact (case-sensitive) catalogue name, or null for an unknown name.
core::ObserverPtr make_observer(std::string_view name);
core::DetectorPtr make_detector(std::string_view name);
core::StrategyPtr make_strategy(std::string_view name);

}  // namespace brask::harness
