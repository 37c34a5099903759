#pragma once

#include <ostream>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "brask/core/observation.h"
#include "brask/core/records.h"

namespace brask::core {
inline void PrintTo(Severity severity, std::ostream* os) {
  *os << severity_name(severity);
}
}  // namespace brask::core

namespace brask::detectors::testing {

// Observation records from JSON texts, so each case states the exact member kinds it feeds
// (7 is unsigned, -7 signed, 7.0 a float).
inline std::vector<core::Observation> records(std::initializer_list<std::string_view> texts) {
  std::vector<core::Observation> out;
  for (auto text : texts) out.push_back(core::Observation::from_json(nlohmann::json::parse(text)));
  return out;
}

// One record per value of `key`, e.g. a cost series.
inline std::vector<core::Observation> series(std::string_view key, std::vector<double> values) {
  std::vector<core::Observation> out;
  for (double value : values) {
    out.push_back(core::Observation::from_json(nlohmann::json{{std::string(key), value}}));
  }
  return out;
}

}  // namespace brask::detectors::testing
