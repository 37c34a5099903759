#include "brask/detectors/prompt_injection.h"

#include <array>
#include <string>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "brask/core/unicode.h"
#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects attempts to override system instructions";
constexpr std::array<std::string_view, 2> kStrategies{"circuit_break", "pause"};
constexpr double kConfidencePerPattern = 0.5;

// Reported in this order and spelling; matched by their lower-case forms.
constexpr std::array<std::string_view, 10> kPatterns{
    "ignore previous instructions",
    "ignore all previous",
    "you are now DAN",
    "system override",
    "new instructions:",
    "forget everything",
    "pretend you are",
    "disregard",
    "override system prompt",
    "bypass",
};

const std::array<std::string, kPatterns.size()>& lowered_patterns() {
  static const auto lowered = [] {
    std::array<std::string, kPatterns.size()> out;
    for (std::size_t i = 0; i < kPatterns.size(); ++i)
      out[i] = core::to_lower_unicode(kPatterns[i]);
    return out;
  }();
  return lowered;
}

}  // namespace

std::string_view PromptInjectionDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> PromptInjectionDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  const auto& lowered = lowered_patterns();
  std::vector<core::DetectedIssue> issues;
  for (const auto& observation : observations) {
    const auto content = observation.get_string("content");
    if (!content || content->empty()) continue;
    const std::string text = core::to_lower_unicode(*content);
    std::vector<std::string_view> matched;
    for (std::size_t i = 0; i < kPatterns.size(); ++i) {
      if (text.find(lowered[i]) != std::string::npos) matched.push_back(kPatterns[i]);
    }
    if (matched.empty()) continue;
    issues.push_back(make_issue(
        agent_id,
        Finding{
            .category =
                core::category::PromptInjection{fmt::format("{}", fmt::join(matched, ", "))},
            .severity = core::Severity::Error,
            .confidence =
                std::min(kConfidencePerPattern * static_cast<double>(matched.size()), 1.0),
            .description = fmt::format("Prompt injection: '{}' pattern matched", matched.front()),
            .details = fmt::format("{} patterns matched", matched.size()),
        },
        kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
