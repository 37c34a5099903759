#include "brask/detectors/resource_exhaustion.h"

#include <array>
#include <string>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects disk/memory/network exhaustion";
constexpr std::array<std::string_view, 2> kStrategies{"compact", "pause"};
constexpr std::string_view kDisk = "disk";
constexpr double kSevereUsagePct = 95.0;

}  // namespace

std::string_view ResourceExhaustionDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> ResourceExhaustionDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::vector<core::DetectedIssue> issues;
  for (const auto& observation : observations) {
    const auto resource = observation.get_string("resource");
    const auto usage = observation.get_number("usage_pct");
    if (!resource || !usage) continue;
    const double limit = *resource == kDisk ? disk_limit_ : general_limit_;
    if (!(*usage > limit)) continue;
    issues.push_back(make_issue(
        agent_id,
        Finding{
            .category = core::category::ResourceExhaustion{std::string(*resource), *usage},
            .severity = *usage > kSevereUsagePct ? core::Severity::Error : core::Severity::Warning,
            .confidence = ratio_confidence(*usage, limit),
            .description = fmt::format("{} usage at {:.0f}%", *resource, *usage),
            .details = fmt::format("{}: {:.0f}%", *resource, *usage),
        },
        kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
