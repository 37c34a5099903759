#include "brask/harness/catalogue.h"

#include <array>
#include <memory>

#include "brask/detectors/accuracy_risk.h"
#include "brask/detectors/compliance_gap.h"
#include "brask/detectors/conversation_stall.h"
#include "brask/detectors/cost_anomaly.h"
#include "brask/detectors/deadlock.h"
#include "brask/detectors/goal_drift.h"
#include "brask/detectors/hallucination.h"
#include "brask/detectors/loop_detector.h"
#include "brask/detectors/model_mismatch.h"
#include "brask/detectors/output_degradation.h"
#include "brask/detectors/prompt_injection.h"
#include "brask/detectors/resource_exhaustion.h"
#include "brask/detectors/runaway_cost.h"
#include "brask/detectors/secret_leak.h"
#include "brask/detectors/stale_context.h"
#include "brask/detectors/variety_collapse.h"
#include "brask/observers/accuracy_watcher.h"
#include "brask/observers/comm_watcher.h"
#include "brask/observers/compliance_watcher.h"
#include "brask/observers/context_quality_watcher.h"
#include "brask/observers/cost_watcher.h"
#include "brask/observers/diversity_watcher.h"
#include "brask/observers/latency_watcher.h"
#include "brask/observers/memory_watcher.h"
#include "brask/observers/orch_watcher.h"
#include "brask/observers/reliability_watcher.h"
#include "brask/observers/security_watcher.h"
#include "brask/observers/token_watcher.h"
#include "brask/strategies/circuit_break.h"
#include "brask/strategies/compact.h"
#include "brask/strategies/degrade.h"
#include "brask/strategies/diversify.h"
#include "brask/strategies/escalate.h"
#include "brask/strategies/fork.h"
#include "brask/strategies/interject.h"
#include "brask/strategies/isolate.h"
#include "brask/strategies/nudge.h"
#include "brask/strategies/pause.h"
#include "brask/strategies/quarantine.h"
#include "brask/strategies/replace.h"
#include "brask/strategies/reroute.h"
#include "brask/strategies/rollback.h"

namespace brask::harness {
namespace {

// The name comes from the plugin class itself, so it is written in one place only. A plugin's
// default constructor carries its standard settings.
template <typename Base, typename Plugin>
constexpr CatalogueEntry<Base> entry() {
  return {Plugin::kName, []() -> std::shared_ptr<Base> { return std::make_shared<Plugin>(); }};
}

std::shared_ptr<core::Strategy> make_compact() {
  return std::make_shared<strategies::CompactStrategy>(
      strategies::CompactStrategy::kStandardTargetRatio);
}

using O = core::Observer;
constexpr std::array kObservers = {
    entry<O, observers::TokenWatcher>(),          entry<O, observers::LatencyWatcher>(),
    entry<O, observers::CostWatcher>(),           entry<O, observers::AccuracyWatcher>(),
    entry<O, observers::SecurityWatcher>(),       entry<O, observers::ReliabilityWatcher>(),
    entry<O, observers::ContextQualityWatcher>(), entry<O, observers::OrchWatcher>(),
    entry<O, observers::CommWatcher>(),           entry<O, observers::ComplianceWatcher>(),
    entry<O, observers::MemoryWatcher>(),         entry<O, observers::DiversityWatcher>(),
};

using D = core::Detector;
constexpr std::array kDetectors = {
    entry<D, detectors::LoopDetector>(),
    entry<D, detectors::StaleContextDetector>(),
    entry<D, detectors::CostAnomalyDetector>(),
    entry<D, detectors::DeadlockDetector>(),
    entry<D, detectors::HallucinationDetector>(),
    entry<D, detectors::PromptInjectionDetector>(),
    entry<D, detectors::SecretLeakDetector>(),
    entry<D, detectors::VarietyCollapseDetector>(),
    entry<D, detectors::ConversationStallDetector>(),
    entry<D, detectors::GoalDriftDetector>(),
    entry<D, detectors::ModelMismatchDetector>(),
    entry<D, detectors::AccuracyRiskDetector>(),
    entry<D, detectors::RunawayCostDetector>(),
    entry<D, detectors::ResourceExhaustionDetector>(),
    entry<D, detectors::OutputDegradationDetector>(),
    entry<D, detectors::ComplianceGapDetector>(),
};

using S = core::Strategy;
constexpr std::array kStrategies = {
    entry<S, strategies::NudgeStrategy>(),
    entry<S, strategies::DegradeStrategy>(),
    entry<S, strategies::ForkStrategy>(),
    CatalogueEntry<S>{strategies::CompactStrategy::kName, &make_compact},
    entry<S, strategies::DiversifyStrategy>(),
    entry<S, strategies::RerouteStrategy>(),
    entry<S, strategies::EscalateStrategy>(),
    entry<S, strategies::RollbackStrategy>(),
    entry<S, strategies::PauseStrategy>(),
    entry<S, strategies::InterjectStrategy>(),
    entry<S, strategies::QuarantineStrategy>(),
    entry<S, strategies::ReplaceStrategy>(),
    entry<S, strategies::IsolateStrategy>(),
    entry<S, strategies::CircuitBreakStrategy>(),
};

template <typename Plugin>
std::vector<std::string_view> names_of(std::span<const CatalogueEntry<Plugin>> table) {
  std::vector<std::string_view> out;
  out.reserve(table.size());
  for (const auto& row : table) out.push_back(row.name);
  return out;
}

template <typename Plugin>
std::shared_ptr<Plugin> make_from(std::span<const CatalogueEntry<Plugin>> table,
                                  std::string_view name) {
  for (const auto& row : table) {
    if (row.name == name) return row.make();
  }
  return nullptr;
}

}  // namespace

std::span<const CatalogueEntry<core::Observer>> observer_catalogue() {
  return kObservers;
}
std::span<const CatalogueEntry<core::Detector>> detector_catalogue() {
  return kDetectors;
}
std::span<const CatalogueEntry<core::Strategy>> strategy_catalogue() {
  return kStrategies;
}

std::vector<std::string_view> observer_names() {
  return names_of(observer_catalogue());
}
std::vector<std::string_view> detector_names() {
  return names_of(detector_catalogue());
}
std::vector<std::string_view> strategy_names() {
  return names_of(strategy_catalogue());
}

core::ObserverPtr make_observer(std::string_view name) {
  return make_from(observer_catalogue(), name);
}
core::DetectorPtr make_detector(std::string_view name) {
  return make_from(detector_catalogue(), name);
}
core::StrategyPtr make_strategy(std::string_view name) {
  return make_from(strategy_catalogue(), name);
}

}  // namespace brask::harness
