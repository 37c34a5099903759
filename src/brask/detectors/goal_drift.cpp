#include "brask/detectors/goal_drift.h"

#include <array>

#include <fmt/format.h>

#include "brask/core/unicode.h"
#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects when agent diverges from original task";
constexpr std::array<std::string_view, 2> kStrategies{"nudge", "interject"};
constexpr std::size_t kPrefixBytes = 50;
constexpr double kSame = 1.0;
constexpr double kDifferent = 0.3;

double similarity(std::string_view task, std::string_view output) {
  if (task.empty() || output.empty()) return kDifferent;
  return core::utf8_prefix_bytes(task, kPrefixBytes) ==
                 core::utf8_prefix_bytes(output, kPrefixBytes)
             ? kSame
             : kDifferent;
}

}  // namespace

std::string_view GoalDriftDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> GoalDriftDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  if (observations.empty()) return {};
  const auto task = observations.front().get_string("original_task");
  const auto output = observations.back().get_string("current_output");
  if (!task || !output) return {};

  const double sim = similarity(*task, *output);
  if (!(threshold_ > sim)) return {};
  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::GoalDrift{sim},
          .severity = core::Severity::Warning,
          .confidence = 1.0 - sim,
          .description = fmt::format("Agent drifted from goal (similarity: {:.0f}%)", sim * 100.0),
          .details = fmt::format("Task similarity dropped to {:.0f}%", sim * 100.0),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
