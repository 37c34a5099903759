#include "brask/core/records.h"

#include <array>

namespace brask::core {
namespace {

constexpr std::array<std::string_view, 4> kSeverityNames = {"Info", "Warning", "Error", "Critical"};
constexpr std::array<std::string_view, 4> kLayerNames = {"Budget", "Snip", "Microcompact",
                                                         "Autocompact"};
constexpr std::array<std::string_view, 3> kIsolationNames = {"ToolRestrict", "ContextRestrict",
                                                             "FullSandbox"};
constexpr std::array<std::string_view, 3> kDegradeNames = {"Mild", "Moderate", "Severe"};
constexpr std::array<std::string_view, 3> kTrendNames = {"Improving", "Stable", "Degrading"};
constexpr std::array<std::string_view, 4> kAuditKindNames = {"Observation", "Detection", "Decision",
                                                             "InterventionApplied"};
constexpr std::array<std::string_view, 15> kInterventionNames = {
    "Nudge",    "Interject",    "Compact", "Pause",    "Resume",
    "Escalate", "Fork",         "Reroute", "Rollback", "Diversify",
    "Isolate",  "CircuitBreak", "Replace", "Degrade",  "Quarantine"};

template <std::size_t N, typename E>
std::string_view name_of(const std::array<std::string_view, N>& names, E value) {
  return names[static_cast<std::size_t>(value)];
}

}  // namespace

std::string_view severity_name(Severity severity) {
  return name_of(kSeverityNames, severity);
}
std::string_view compression_layer_name(CompressionLayer layer) {
  return name_of(kLayerNames, layer);
}
std::string_view isolation_level_name(IsolationLevel level) {
  return name_of(kIsolationNames, level);
}
std::string_view degrade_level_name(DegradeLevel level) {
  return name_of(kDegradeNames, level);
}
std::string_view health_trend_name(HealthTrend trend) {
  return name_of(kTrendNames, trend);
}
std::string_view audit_kind_name(AuditKind kind) {
  return name_of(kAuditKindNames, kind);
}

const std::vector<std::string_view>& category_names() {
  static const std::vector<std::string_view> names = {
      "loop",          "stale_context",       "cost_anomaly",
      "deadlock",      "hallucination",       "prompt_injection",
      "secret_leak",   "variety_collapse",    "conversation_stall",
      "goal_drift",    "model_mismatch",      "accuracy_risk",
      "runaway_cost",  "resource_exhaustion", "output_degradation",
      "compliance_gap"};
  return names;
}

std::string_view category_name(const IssueCategory& category) {
  return category_names()[category.index()];
}

std::string_view intervention_name(const Intervention& intervention) {
  return kInterventionNames[intervention.index()];
}

nlohmann::json health_score_to_json(const HealthScore& score) {
  auto optional = [](const std::optional<double>& value) {
    return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
  };
  const auto& d = score.dimensions;
  nlohmann::json dimensions = {
      {"token_efficiency", d.token_efficiency},
      {"latency", d.latency},
      {"cost", d.cost},
      {"accuracy", d.accuracy},
      {"orchestration", d.orchestration},
      {"communication", optional(d.communication)},
      {"security", d.security},
      {"reliability", d.reliability},
      {"context_quality", d.context_quality},
      {"memory", optional(d.memory)},
      {"compliance", d.compliance},
      {"diversity", optional(d.diversity)},
  };
  return {{"agent_id", score.agent_id},
          {"overall", score.overall},
          {"dimensions", std::move(dimensions)},
          {"trend", std::string(health_trend_name(score.trend))}};
}

nlohmann::json health_score_to_json(const std::optional<HealthScore>& score) {
  return score ? health_score_to_json(*score) : nlohmann::json(nullptr);
}

}  // namespace brask::core
