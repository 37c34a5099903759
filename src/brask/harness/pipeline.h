#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "brask/async/broadcast.h"
#include "brask/core/contracts.h"
#include "brask/core/events.h"
#include "brask/core/observation.h"
#include "brask/core/records.h"
#include "brask/harness/event_bus.h"
#include "brask/harness/human_gate.h"
#include "brask/harness/plugin_registry.h"

namespace brask::harness {

using EventBroadcaster = async::BroadcastSender<core::SharedEvent>;

// The full record of one cycle.
struct PipelineCycle {
  // The last intervention the cycle returned; none in a dry run.
  std::optional<core::Intervention> intervention;
  std::vector<core::Observation> observations;         // in production order
  std::vector<core::DetectedIssue> issues;             // detector by detector
  std::vector<core::StrategyResult> strategy_results;  // the winning proposal per issue
  std::uint64_t duration_us = 0;
};

// What every cycle leaves behind for the session's figures.
struct CycleSummary {
  std::optional<core::Intervention> intervention;
  std::uint64_t issue_count = 0;
  std::uint64_t duration_us = 0;
};

struct PipelineStats {
  std::uint64_t cycles = 0;
  std::uint64_t detections = 0;
  std::uint64_t interventions = 0;  // cycles that chose one
  std::uint64_t avg_cycle_us = 0;   // integer mean; 0 without cycles
  bool operator==(const PipelineStats&) const = default;
};

PipelineStats summarize(std::span<const CycleSummary> cycles);

// The per-session engine: `feed` takes events into the bus (and the broadcaster), `cycle` runs
// every observer over the whole history, the detectors over the observations and the strategies
// over each issue, highest priority first, the first proposal winning.
//
// Cycle records: every cycle keeps a summary (its intervention, issue count and duration), which
// is all that `stats` needs; only the most recent cycle keeps its full record. A full record per
// cycle would hold observers x history observations each, so a long session would grow as
// cycles x history, and nothing reads the observations of past cycles.
//
// Used by one task at a time: `feed` and `cycle` are never called concurrently.
class Pipeline {
 public:
  Pipeline(std::shared_ptr<const PluginRegistry> registry, bool dry_run);

  Pipeline with_event_broadcaster(EventBroadcaster broadcaster) &&;
  Pipeline with_audit_store(core::AuditStorePtr store) &&;
  Pipeline with_human_gate(HumanGatePolicy policy) &&;
  // Adds a live subscriber to the event bus.
  void subscribe(EventObserverPtr subscriber) { bus_.subscribe(std::move(subscriber)); }

  void feed(const core::SharedEvent& event);
  void feed(const core::AgentEvent& event);

  // Runs one cycle for `agent_id` and returns the interventions it chose, in issue order (none in
  // a dry run).
  std::vector<core::Intervention> cycle(std::string_view agent_id);

  PipelineStats stats() const { return summarize(cycles_); }
  const std::vector<CycleSummary>& cycles() const { return cycles_; }
  const std::optional<PipelineCycle>& last_cycle() const { return last_cycle_; }

  const EventBus& event_bus() const { return bus_; }
  const PluginRegistry& registry() const { return *registry_; }
  bool dry_run() const { return dry_run_; }

 private:
  void audit(const core::Uuid& cycle_id, core::AuditKind kind, std::string source,
             nlohmann::json data);

  EventBus bus_;
  std::vector<CycleSummary> cycles_;
  std::optional<PipelineCycle> last_cycle_;
  std::size_t last_history_size_ = 0;  // the history's length at the last cycle
  std::shared_ptr<const PluginRegistry> registry_;
  core::AuditStorePtr audit_store_;
  std::optional<HumanGatePolicy> human_gate_;
  std::optional<EventBroadcaster> broadcaster_;
  bool dry_run_;
};

}  // namespace brask::harness
