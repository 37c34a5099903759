#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "brask/core/contracts.h"

namespace brask::detectors {

// Reports files read again and again ("file_path") and high context pressure
// ("context_pressure"). Read counts live as long as the detector, so every read past the limit
// reports again, also across cycles and across pipelines sharing this detector.
class StaleContextDetector final : public core::Detector {
 public:
  static constexpr std::string_view kName = "stale_context";

  explicit StaleContextDetector(std::uint32_t max_reads = 3, double pressure_threshold = 0.85)
      : max_reads_(max_reads), pressure_threshold_(pressure_threshold) {}

  std::string_view name() const override { return kName; }
  std::string_view description() const override;
  std::vector<core::DetectedIssue> detect(std::string_view agent_id,
                                          std::span<const core::Observation> observations) override;

 private:
  std::uint32_t max_reads_;
  double pressure_threshold_;
  std::mutex mutex_;  // guards read_counts_ for the whole of a detect call
  std::map<std::string, std::uint32_t, std::less<>> read_counts_;
};

}  // namespace brask::detectors
