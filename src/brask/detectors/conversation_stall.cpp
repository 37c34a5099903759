#include "brask/detectors/conversation_stall.h"

#include <array>
#include <chrono>
#include <optional>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects when multi-agent conversation has stopped";
constexpr std::array<std::string_view, 2> kStrategies{"nudge", "change_speaker"};

// Whole seconds since the epoch in milliseconds; nothing for a clock set before the epoch.
std::optional<std::uint64_t> wall_clock_ms() {
  using namespace std::chrono;
  const auto secs = duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
  if (secs < 0) return std::nullopt;
  return static_cast<std::uint64_t>(secs) * 1000;
}

}  // namespace

std::string_view ConversationStallDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> ConversationStallDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  std::optional<std::uint64_t> last_ms;
  for (const auto& observation : observations) {
    if (const auto ms = observation.get_unsigned("msg_timestamp_ms")) last_ms = ms;
  }
  if (!last_ms) return {};

  const auto now_ms = wall_clock_ms();
  // A clock behind the timestamp only makes the silence zero.
  const std::uint64_t elapsed = (now_ms && *now_ms > *last_ms) ? (*now_ms - *last_ms) / 1000 : 0;
  if (elapsed < timeout_secs_) return {};

  // elapsed > 2 × timeout, written so that a huge timeout cannot wrap (elapsed ≥ timeout here).
  const bool severe = elapsed - timeout_secs_ > timeout_secs_;
  std::vector<core::DetectedIssue> issues;
  issues.push_back(make_issue(
      agent_id,
      Finding{
          .category = core::category::ConversationStall{elapsed},
          .severity = severe ? core::Severity::Error : core::Severity::Warning,
          .confidence =
              ratio_confidence(static_cast<double>(elapsed), static_cast<double>(timeout_secs_)),
          .description = fmt::format("Conversation stalled for {}s", elapsed),
          .details = fmt::format("No messages for {}s", elapsed),
      },
      kStrategies));
  return issues;
}

}  // namespace brask::detectors
