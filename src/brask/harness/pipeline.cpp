#include "brask/harness/pipeline.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

#include <fmt/format.h>

#include "brask/core/text_form.h"
#include "brask/core/time.h"

namespace brask::harness {
namespace {

constexpr std::string_view kObservationSourceFormat = "{}_{}";
constexpr std::string_view kAppliedSource = "intervention_applied";
constexpr std::string_view kGateVerdict = "would_pause";

nlohmann::json detection_data(const core::DetectedIssue& issue) {
  return {{"category", core::category_name(issue.category)},
          {"severity", core::to_text(issue.severity)},
          {"confidence", issue.confidence}};
}

}  // namespace

PipelineStats summarize(std::span<const CycleSummary> cycles) {
  PipelineStats stats;
  std::uint64_t total_us = 0;
  for (const auto& cycle : cycles) {
    ++stats.cycles;
    stats.detections += cycle.issue_count;
    if (cycle.intervention) ++stats.interventions;
    total_us += cycle.duration_us;
  }
  if (stats.cycles != 0) stats.avg_cycle_us = total_us / stats.cycles;
  return stats;
}

Pipeline::Pipeline(std::shared_ptr<const PluginRegistry> registry, bool dry_run)
    : registry_(std::move(registry)), dry_run_(dry_run) {}

Pipeline Pipeline::with_event_broadcaster(EventBroadcaster broadcaster) && {
  broadcaster_ = std::move(broadcaster);
  return std::move(*this);
}

Pipeline Pipeline::with_audit_store(core::AuditStorePtr store) && {
  audit_store_ = std::move(store);
  return std::move(*this);
}

Pipeline Pipeline::with_human_gate(HumanGatePolicy policy) && {
  human_gate_ = std::move(policy);
  return std::move(*this);
}

void Pipeline::feed(const core::SharedEvent& event) {
  bus_.dispatch(event);
  // With no receiver the copy is dropped; the broadcast never waits.
  if (broadcaster_) broadcaster_->send(event);
}

void Pipeline::feed(const core::AgentEvent& event) {
  feed(std::make_shared<const core::AgentEvent>(event));
}

std::vector<core::Intervention> Pipeline::cycle(std::string_view agent_id) {
  const auto start = core::monotonic_now();
  const auto cycle_id = core::Uuid::new_v4();
  std::vector<core::Intervention> interventions;
  PipelineCycle record;
  // The previous cycle's storage is reused, with room for as many records as it made plus what
  // the new events may add, reserved while empty so that no record is moved by a reallocation.
  const auto& observers = registry_->observers();
  const auto& history = bus_.history();
  std::size_t expected = observers.size() * history.size();
  if (last_cycle_) {
    record.observations = std::move(last_cycle_->observations);
    const auto added = history.size() - std::min(history.size(), last_history_size_);
    expected = std::min(expected, record.observations.size() + observers.size() * added);
    record.observations.clear();
  }
  record.observations.reserve(expected);
  last_history_size_ = history.size();

  for (const auto& observer : observers) {
    std::string source;
    if (audit_store_) {
      source = fmt::format(kObservationSourceFormat, observer->name(), observer->dimension());
    }
    for (const auto& event : history) {
      auto observation = observer->observe(*event);
      if (!observation) continue;
      if (audit_store_)
        audit(cycle_id, core::AuditKind::Observation, source, observation->to_json());
      record.observations.push_back(std::move(*observation));
    }
  }

  for (const auto& detector : registry_->detectors()) {
    auto issues = detector->detect(agent_id, record.observations);
    if (audit_store_) {
      for (const auto& issue : issues) {
        if (human_gate_ && human_gate_->matches(issue)) {
          auto data = detection_data(issue);
          data["human_gate"] = kGateVerdict;
          audit(cycle_id, core::AuditKind::Detection, std::string(detector->name()),
                std::move(data));
        }
        audit(cycle_id, core::AuditKind::Detection, std::string(detector->name()),
              detection_data(issue));
      }
    }
    record.issues.insert(record.issues.end(), std::make_move_iterator(issues.begin()),
                         std::make_move_iterator(issues.end()));
  }

  for (const auto& issue : record.issues) {
    for (const auto& strategy : registry_->strategies()) {
      auto result = strategy->evaluate(issue);
      if (!result) continue;
      if (!dry_run_) interventions.push_back(result->intervention);
      if (audit_store_) {
        audit(cycle_id, core::AuditKind::Decision, std::string(strategy->name()),
              {{"detection", core::category_name(issue.category)},
               {"result", core::to_text(*result)},
               {"dry_run", dry_run_}});
      }
      record.strategy_results.push_back(std::move(*result));
      break;
    }
  }

  if (!interventions.empty()) {
    if (audit_store_) {
      audit(cycle_id, core::AuditKind::InterventionApplied, std::string(kAppliedSource),
            {{"intervention", core::to_text(interventions.back())}});
    }
    record.intervention = interventions.back();
  }

  const auto elapsed = core::monotonic_now() - start;
  record.duration_us = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count());
  cycles_.push_back({record.intervention, record.issues.size(), record.duration_us});
  last_cycle_ = std::move(record);
  return interventions;
}

void Pipeline::audit(const core::Uuid& cycle_id, core::AuditKind kind, std::string source,
                     nlohmann::json data) {
  core::AuditEvent event{core::Uuid::new_v4(), cycle_id,       kind,           std::move(source),
                         std::move(data),      cycles_.size(), core::utc_now()};
  // A failing store does not stop the cycle.
  (void)audit_store_->record(event);
}

}  // namespace brask::harness
