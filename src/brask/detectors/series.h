#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "brask/core/observation.h"

namespace brask::detectors {

// The values of the number member `key`, in observation order; records without it are skipped.
std::vector<double> number_series(std::span<const core::Observation> observations,
                                  std::string_view key);

}  // namespace brask::detectors
