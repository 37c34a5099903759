#include "brask/detectors/variety_collapse.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

#include <fmt/format.h>

#include "brask/core/unicode.h"
#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects when agents produce near-identical outputs";
constexpr std::array<std::string_view, 1> kStrategies{"diversify"};
constexpr std::size_t kPrefixBytes = 200;
constexpr std::size_t kMinOutputs = 3;

}  // namespace

std::string_view VarietyCollapseDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> VarietyCollapseDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  // Similarity is equality of prefixes, so k outputs sharing a prefix give k(k-1)/2 similar
  // pairs: group them instead of comparing every pair.
  std::uint64_t outputs = 0;
  std::unordered_map<std::string_view, std::uint64_t> groups;
  for (const auto& observation : observations) {
    const auto output = observation.get_string("agent_output");
    if (!output) continue;
    ++outputs;
    if (!output->empty()) ++groups[core::utf8_prefix_bytes(*output, kPrefixBytes)];
  }
  if (outputs < kMinOutputs) return {};

  std::uint64_t similar = 0;
  for (const auto& [prefix, count] : groups) similar += count * (count - 1) / 2;
  const std::uint64_t pairs = outputs * (outputs - 1) / 2;
  const double share =
      static_cast<double>(similar) / static_cast<double>(std::max<std::uint64_t>(pairs, 1));
  if (!(share > similarity_threshold_)) return {};

  const auto n = static_cast<std::uint32_t>(
      std::min<std::uint64_t>(outputs, std::numeric_limits<std::uint32_t>::max()));
  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::VarietyCollapse{share, n},
          .severity = core::Severity::Warning,
          .confidence = share,
          .description = fmt::format("{} agents near-identical ({:.0f}%)", outputs, share * 100.0),
          .details = fmt::format("{}/{} pairs similar", similar, pairs),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
