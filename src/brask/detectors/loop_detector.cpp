#include "brask/detectors/loop_detector.h"

#include <array>
#include <string>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription =
    "Detects when an agent calls the same tool repeatedly without progress";
constexpr std::array<std::string_view, 3> kStrategies{"nudge", "interject", "replace"};

}  // namespace

std::string_view LoopDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> LoopDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  // Tools in order of first appearance, so the issues come out in a stable order.
  std::vector<std::pair<std::string_view, std::uint32_t>> counts;
  std::unordered_map<std::string_view, std::size_t> index;
  for (const auto& observation : observations) {
    const auto tool = observation.get_string("tool_name");
    if (!tool) continue;
    auto [at, inserted] = index.try_emplace(*tool, counts.size());
    if (inserted) counts.emplace_back(*tool, 0);
    ++counts[at->second].second;
  }

  std::vector<core::DetectedIssue> issues;
  for (const auto& [tool, count] : counts) {
    if (count < threshold_) continue;
    // Widened so a huge threshold setting cannot wrap.
    const bool severe = std::uint64_t{count} >= 2 * std::uint64_t{threshold_};
    issues.push_back(make_issue(
        agent_id,
        Finding{
            .category = core::category::Loop{std::string(tool), count, count},
            .severity = severe ? core::Severity::Error : core::Severity::Warning,
            .confidence = ratio_confidence(count, threshold_),
            .description = fmt::format("Agent called '{}' {} times in {} turns — possible loop",
                                       tool, count, window_),
            .details =
                fmt::format("Tool '{}' called {} times, threshold={}", tool, count, threshold_),
        },
        kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
