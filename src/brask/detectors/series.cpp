#include "brask/detectors/series.h"

namespace brask::detectors {

std::vector<double> number_series(std::span<const core::Observation> observations,
                                  std::string_view key) {
  std::vector<double> series;
  for (const auto& observation : observations) {
    if (const auto value = observation.get_number(key)) series.push_back(*value);
  }
  return series;
}

}  // namespace brask::detectors
