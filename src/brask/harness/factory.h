#pragma once

#include <span>
#include <string>
#include <string_view>

#include <boost/asio/awaitable.hpp>

#include "brask/agent/adapter.h"
#include "brask/core/error.h"
#include "brask/harness/plugin_registry.h"
#include "brask/harness/presets.h"
#include "brask/harness/runtime.h"

namespace brask::harness {

// Register one new plugin per name, in list order. Names match the catalogue exactly; an unknown
// name is logged at WARN on the factory's logger and skipped, a repeated name replaces the
// earlier observer or detector.
void register_observers(PluginRegistry& registry, std::span<const std::string_view> names);
void register_detectors(PluginRegistry& registry, std::span<const std::string_view> names);
void register_strategies(PluginRegistry& registry, std::span<const std::string_view> names);

// A fresh registry filled with the preset's observers, detectors and strategies.
PluginRegistry build_registry_from_preset(Preset preset);

// Runs a whole session of `adapter` on `task` under the preset's harness, with a fresh session id
// and interventions sent.
boost::asio::awaitable<core::Result<HarnessResult>> run_harness_session(Preset preset,
                                                                        agent::AdapterPtr adapter,
                                                                        std::string task);

}  // namespace brask::harness
