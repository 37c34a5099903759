#include "brask/detectors/secret_leak.h"

#include <array>
#include <string>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription =
    "Detects API keys, tokens, passwords, and credentials in agent output";
constexpr std::array<std::string_view, 3> kStrategies{"circuit_break", "quarantine", "pause"};

struct SecretPattern {
  std::string_view pattern;
  std::string_view label;
};

// Table order is report order. The Anthropic prefix starts with the OpenAI one, so such a key
// is reported under both labels.
constexpr std::array<SecretPattern, 9> kPatterns{{
    {"sk-ant-", "Anthropic API key"},
    {"sk-", "OpenAI API key"},
    {"AKIA", "AWS Access Key"},
    {"ghp_", "GitHub Personal Access Token"},
    {"xoxb-", "Slack Bot Token"},
    {"BEGIN RSA PRIVATE KEY", "RSA Private Key"},
    {"BEGIN OPENSSH PRIVATE KEY", "SSH Private Key"},
    {"--password", "Password in argument"},
    {"Bearer eyJ", "JWT Token in output"},
}};

// "content" wins whenever it is present, even when it is not text; only a record without it
// falls back to "output".
std::string_view scanned_text(const core::Observation& observation) {
  const char* key = observation.find("content") != nullptr ? "content" : "output";
  return observation.get_string(key).value_or(std::string_view{});
}

}  // namespace

std::string_view SecretLeakDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> SecretLeakDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::vector<core::DetectedIssue> issues;
  for (const auto& observation : observations) {
    const auto text = scanned_text(observation);
    if (text.empty()) continue;
    for (const auto& [pattern, label] : kPatterns) {
      if (text.find(pattern) == std::string_view::npos) continue;
      issues.push_back(make_issue(
          agent_id,
          Finding{
              .category = core::category::SecretLeak{std::string(label)},
              .severity = core::Severity::Critical,
              .confidence = 1.0,
              .description =
                  fmt::format("Agent output contains a {} — possible secret leak", label),
              .details = fmt::format("Pattern '{}' detected in output", pattern),
          },
          kStrategies));
    }
  }
  return issues;
}

}  // namespace brask::detectors
