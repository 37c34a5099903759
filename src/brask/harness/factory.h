#pragma once

#include <span>
#include <string_view>

#include "brask/harness/plugin_registry.h"
#include "brask/harness/presets.h"

namespace brask::harness {

// Register one new plugin per name, in list order. Names match the catalogue exactly; an unknown
// name is logged at WARN on the factory's logger and skipped, a repeated name replaces the
// earlier observer or detector.
void register_observers(PluginRegistry& registry, std::span<const std::string_view> names);
void register_detectors(PluginRegistry& registry, std::span<const std::string_view> names);
void register_strategies(PluginRegistry& registry, std::span<const std::string_view> names);

// A fresh registry filled with the preset's observers, detectors and strategies.
PluginRegistry build_registry_from_preset(Preset preset);

}  // namespace brask::harness
