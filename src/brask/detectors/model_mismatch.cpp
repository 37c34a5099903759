#include "brask/detectors/model_mismatch.h"

#include <algorithm>
#include <array>
#include <string>

#include <fmt/format.h>

#include "brask/core/unicode.h"
#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects wrong model for task complexity";
constexpr std::array<std::string_view, 1> kStrategies{"escalate"};
constexpr std::array<std::string_view, 7> kComplexityKeywords{
    "refactor", "architecture", "security", "migrate", "implement", "design", "optimize"};
constexpr std::array<std::string_view, 3> kSmallModelMarkers{"haiku", "flash", "mini"};
constexpr std::string_view kComplexity = "complex";
constexpr std::string_view kRecommendedModel = "claude-sonnet-4-6";

bool contains_any(std::string_view text, std::span<const std::string_view> needles) {
  return std::any_of(needles.begin(), needles.end(), [&](std::string_view needle) {
    return text.find(needle) != std::string_view::npos;
  });
}

}  // namespace

std::string_view ModelMismatchDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> ModelMismatchDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  for (const auto& observation : observations) {
    const auto task = observation.get_string("task");
    const auto model = observation.get_string("model");
    if (!task || !model) continue;
    if (!contains_any(*model, kSmallModelMarkers)) continue;
    if (!contains_any(core::to_lower_unicode(*task), kComplexityKeywords)) continue;
    std::vector<core::DetectedIssue> issues;
    issues.push_back(make_issue(
        agent_id,
        Finding{
            .category = core::category::ModelMismatch{std::string(kComplexity), std::string(*model),
                                                      std::string(kRecommendedModel)},
            .severity = core::Severity::Warning,
            .confidence = 0.85,
            .description =
                fmt::format("Complex task '{}' assigned to cheap model {}", *task, *model),
            .details = fmt::format("Task complexity mismatch: {} on {}", *task, *model),
        },
        kStrategies));
    return issues;
  }
  return {};
}

}  // namespace brask::detectors
