#include "brask/detectors/deadlock.h"

#include <array>
#include <string>
#include <unordered_map>

#include <fmt/format.h>

#include "brask/detectors/issue_builder.h"

namespace brask::detectors {
namespace {

constexpr std::string_view kDescription = "Detects circular wait between agents";
constexpr std::array<std::string_view, 1> kStrategies{"reroute"};

struct Wait {
  std::string_view waiter;
  std::string_view target;
  std::uint64_t secs = 0;
};

}  // namespace

std::string_view DeadlockDetector::description() const {
  return kDescription;
}

std::vector<core::DetectedIssue> DeadlockDetector::detect(
    std::string_view agent_id, std::span<const core::Observation> observations) {
  // Waiting agents in order of first appearance, for a stable issue order.
  std::vector<Wait> waits;
  std::unordered_map<std::string_view, std::size_t> by_waiter;
  for (const auto& observation : observations) {
    const auto waiter = observation.get_string("waiting_agent");
    const auto target = observation.get_string("waiting_for");
    const auto secs = observation.get_unsigned("wait_duration_secs");
    if (!waiter || !target || !secs) continue;
    auto [at, inserted] = by_waiter.try_emplace(*waiter, waits.size());
    if (inserted) {
      waits.push_back(Wait{*waiter, *target, *secs});
    } else {
      waits[at->second] = Wait{*waiter, *target, *secs};
    }
  }

  std::vector<core::DetectedIssue> issues;
  for (const auto& wait : waits) {
    if (wait.secs < timeout_secs_) continue;
    const auto other = by_waiter.find(wait.target);
    if (other == by_waiter.end() || waits[other->second].target != wait.waiter) continue;
    issues.push_back(make_issue(agent_id,
                                Finding{
                                    .category = core::category::Deadlock{{std::string(wait.waiter),
                                                                          std::string(wait.target)},
                                                                         wait.secs},
                                    .severity = core::Severity::Error,
                                    .confidence = 1.0,
                                    .description = fmt::format("Deadlock: {}↔{} ({}s)", wait.waiter,
                                                               wait.target, wait.secs),
                                    .details = fmt::format("Circular wait {}s", wait.secs),
                                },
                                kStrategies));
  }
  return issues;
}

}  // namespace brask::detectors
