#include "brask/detectors/hallucination.h"

#include <array>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects references to non-existent files/APIs";
constexpr std::array<std::string_view, 1> kStrategies{"nudge"};
constexpr std::string_view kFileKind = "file";

bool resolves(std::string_view root, std::string_view reference) {
  // The operating system reads paths up to the first NUL; a reference with one inside would be
  // checked as a shorter, different path, so it cannot name an existing file.
  if (root.find('\0') != std::string_view::npos || reference.find('\0') != std::string_view::npos) {
    return false;
  }
  const auto joined = std::filesystem::path(root) / std::filesystem::path(reference);
  std::error_code error;
  const auto status = std::filesystem::status(joined, error);
  return !error && std::filesystem::exists(status);
}

}  // namespace

std::string_view HallucinationDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> HallucinationDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::vector<core::DetectedIssue> issues;
  for (const auto& observation : observations) {
    const auto reference = observation.get_string("file_reference");
    if (!reference || resolves(root_, *reference)) continue;
    issues.push_back(make_issue(
        agent_id,
        Finding{
            .category =
                core::category::Hallucination{std::string(*reference), std::string(kFileKind)},
            .severity = core::Severity::Warning,
            .confidence = 1.0,
            .description = fmt::format("Agent referenced non-existent file: {}", *reference),
            .details = fmt::format("File '{}' not found", *reference),
        },
        kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
