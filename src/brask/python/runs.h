#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "brask/core/error.h"
#include "brask/harness/presets.h"

namespace brask::python {

// The counts a run hands back to Python.
struct RunCounts {
  std::string agent_id;
  bool success = false;
  std::uint64_t observation_count = 0;
  std::uint64_t detection_count = 0;
  std::uint64_t intervention_count = 0;
};

// Runs `task` through a harness built from the preset that `preset_text` names (the module's own
// spellings, lower-cased; anything else is "solo"), with the mock agent "py-agent" doing `turns`
// turns. Touches no Python object, so callers release the interpreter lock around it.
core::Result<RunCounts> run_mock_harness(const std::string& task, std::string_view preset_text,
                                         std::uint32_t turns, bool dry_run);

// The preset a run uses for a preset text: the module's own spellings, lower-cased; any other
// text is "solo", so an unknown preset never fails.
harness::Preset preset_from_python_text(std::string_view text);

// The catalogue, in the orders the module lists it.
std::vector<std::string_view> preset_names();
std::vector<std::string_view> detector_names();
std::vector<std::string_view> observer_names();
std::vector<std::string_view> strategy_names();

}  // namespace brask::python
