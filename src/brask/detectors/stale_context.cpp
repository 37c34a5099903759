#include "brask/detectors/stale_context.h"

#include <array>
#include <limits>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects duplicate file reads and high context pressure";
constexpr std::array<std::string_view, 2> kReadStrategies{"compact", "nudge"};
constexpr std::array<std::string_view, 1> kPressureStrategies{"compact"};
constexpr std::string_view kNoFile = "n/a";
constexpr double kSeverePressure = 0.95;

}  // namespace

std::string_view StaleContextDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> StaleContextDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::vector<core::DetectedIssue> issues;
  std::lock_guard lock(mutex_);
  for (const auto& observation : observations) {
    if (const auto path = observation.get_string("file_path")) {
      auto at = read_counts_.find(*path);
      if (at == read_counts_.end()) at = read_counts_.emplace(std::string(*path), 0).first;
      // Counts only grow; stop at the top instead of wrapping back to zero.
      if (at->second < std::numeric_limits<std::uint32_t>::max()) ++at->second;
      const std::uint32_t count = at->second;
      if (count >= max_reads_) {
        const bool severe = std::uint64_t{count} >= 2 * std::uint64_t{max_reads_};
        issues.push_back(make_issue(
            agent_id,
            Finding{
                .category = core::category::StaleContext{std::string(*path), 0.0, count},
                .severity = severe ? core::Severity::Error : core::Severity::Warning,
                .confidence = ratio_confidence(count, max_reads_),
                .description =
                    fmt::format("File '{}' read {} times — context may be stale", *path, count),
                .details = fmt::format("File read {} times", count),
            },
            kReadStrategies));
      }
    }
    if (const auto pressure = observation.get_number("context_pressure");
        pressure && *pressure > pressure_threshold_) {
      const double p = *pressure;
      issues.push_back(make_issue(
          agent_id,
          Finding{
              .category = core::category::StaleContext{std::string(kNoFile), p, 0},
              .severity = p > kSeverePressure ? core::Severity::Error : core::Severity::Warning,
              .confidence = std::min(p, 1.0),
              .description =
                  fmt::format("Context pressure at {:.0f}% — compaction needed", p * 100.0),
              .details = fmt::format("Context pressure: {:.0f}%", p * 100.0),
          },
          kPressureStrategies));
    }
  }
  return issues;
}

}  // namespace brask::detectors
