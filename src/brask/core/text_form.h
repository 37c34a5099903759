#pragma once

#include <string>

#include "brask/core/records.h"

namespace brask::core {

// The text form of records, as audit data, logs and dashboard lists write them:
//   Nudge { message: "...", reason: "..." }, Compact { target_ratio: 0.5, layer: Microcompact },
//   Some(...) / None, [a, b], f64 always with a fractional part, strings quoted and escaped.
std::string to_text(Severity severity);
std::string to_text(const Intervention& intervention);
std::string to_text(const StrategyResult& result);

// The building blocks, for records of other layers.
std::string text_of_string(std::string_view value);  // "a \"quoted\" text\n" form
std::string text_of_f64(double value);               // 1.0, 0.75, 1e20

}  // namespace brask::core
