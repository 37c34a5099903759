#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "brask/core/time.h"
#include "brask/core/uuid.h"

namespace brask::core {

// Ordered from least to most severe; comparisons use this order.
enum class Severity : std::uint8_t { Info, Warning, Error, Critical };
std::string_view severity_name(Severity severity);  // "Critical"

// The sixteen failure modes with their payloads, in declaration order.
namespace category {
struct Loop {
  std::string tool;
  std::uint32_t calls = 0;
  std::uint32_t repeats = 0;
  bool operator==(const Loop&) const = default;
};
struct StaleContext {
  std::string file;
  double pressure = 0.0;
  std::uint32_t read_count = 0;
  bool operator==(const StaleContext&) const = default;
};
struct CostAnomaly {
  double baseline = 0.0;
  double latest = 0.0;
  double ratio = 0.0;
  bool operator==(const CostAnomaly&) const = default;
};
struct Deadlock {
  std::vector<std::string> agents;
  std::uint64_t wait_secs = 0;
  bool operator==(const Deadlock&) const = default;
};
struct Hallucination {
  std::string reference;
  std::string kind;
  bool operator==(const Hallucination&) const = default;
};
struct PromptInjection {
  std::string patterns;
  bool operator==(const PromptInjection&) const = default;
};
struct SecretLeak {
  std::string label;
  bool operator==(const SecretLeak&) const = default;
};
struct VarietyCollapse {
  double similarity = 0.0;
  std::uint32_t outputs = 0;
  bool operator==(const VarietyCollapse&) const = default;
};
struct ConversationStall {
  std::uint64_t silence_secs = 0;
  bool operator==(const ConversationStall&) const = default;
};
struct GoalDrift {
  double similarity = 0.0;
  bool operator==(const GoalDrift&) const = default;
};
struct ModelMismatch {
  std::string complexity;
  std::string model;
  std::string recommended;
  bool operator==(const ModelMismatch&) const = default;
};
struct AccuracyRisk {
  std::vector<std::string> risks;
  bool operator==(const AccuracyRisk&) const = default;
};
struct RunawayCost {
  double acceleration = 0.0;
  bool operator==(const RunawayCost&) const = default;
};
struct ResourceExhaustion {
  std::string resource;
  double usage = 0.0;
  bool operator==(const ResourceExhaustion&) const = default;
};
struct OutputDegradation {
  double slope = 0.0;
  std::uint32_t window = 0;
  bool operator==(const OutputDegradation&) const = default;
};
struct ComplianceGap {
  std::string gap;
  bool operator==(const ComplianceGap&) const = default;
};
}  // namespace category

using IssueCategory =
    std::variant<category::Loop, category::StaleContext, category::CostAnomaly, category::Deadlock,
                 category::Hallucination, category::PromptInjection, category::SecretLeak,
                 category::VarietyCollapse, category::ConversationStall, category::GoalDrift,
                 category::ModelMismatch, category::AccuracyRisk, category::RunawayCost,
                 category::ResourceExhaustion, category::OutputDegradation,
                 category::ComplianceGap>;

// The canonical name of a category ("secret_leak").
std::string_view category_name(const IssueCategory& category);
// The sixteen canonical names in declaration order.
const std::vector<std::string_view>& category_names();

// One issue reported by a detector.
struct DetectedIssue {
  Uuid id;
  std::string agent_id;
  IssueCategory category;
  Severity severity = Severity::Info;
  double confidence = 0.0;
  std::string description;
  std::string details;
  std::vector<std::string> suggested_strategies;
  bool operator==(const DetectedIssue&) const = default;
};

enum class CompressionLayer : std::uint8_t { Budget, Snip, Microcompact, Autocompact };
enum class IsolationLevel : std::uint8_t { ToolRestrict, ContextRestrict, FullSandbox };
enum class DegradeLevel : std::uint8_t { Mild, Moderate, Severe };
std::string_view compression_layer_name(CompressionLayer layer);
std::string_view isolation_level_name(IsolationLevel level);
std::string_view degrade_level_name(DegradeLevel level);

// The fifteen interventions, in declaration order; field names are part of the text form.
namespace intervention {
struct Nudge {
  std::string message;
  std::string reason;
  bool operator==(const Nudge&) const = default;
};
struct Interject {
  std::string message;
  std::string reason;
  bool operator==(const Interject&) const = default;
};
struct Compact {
  double target_ratio = 0.0;
  CompressionLayer layer = CompressionLayer::Budget;
  bool operator==(const Compact&) const = default;
};
struct Pause {
  std::string reason;
  Uuid checkpoint_id;
  bool operator==(const Pause&) const = default;
};
struct Resume {
  bool operator==(const Resume&) const = default;
};
struct Escalate {
  std::optional<std::string> new_model;
  std::optional<std::uint64_t> budget_increase;
  std::string reason;
  bool operator==(const Escalate&) const = default;
};
struct Fork {
  std::uint32_t count = 0;
  std::vector<std::string> subtasks;
  bool operator==(const Fork&) const = default;
};
struct Reroute {
  std::string to_node;
  std::string reason;
  bool operator==(const Reroute&) const = default;
};
struct Rollback {
  Uuid checkpoint_id;
  std::string reason;
  bool operator==(const Rollback&) const = default;
};
struct Diversify {
  std::string alternative_approach;
  bool operator==(const Diversify&) const = default;
};
struct Isolate {
  IsolationLevel level = IsolationLevel::ToolRestrict;
  std::string reason;
  bool operator==(const Isolate&) const = default;
};
struct CircuitBreak {
  std::string reason;
  bool operator==(const CircuitBreak&) const = default;
};
struct Replace {
  std::string context_summary;
  std::optional<std::string> new_model;
  bool operator==(const Replace&) const = default;
};
struct Degrade {
  DegradeLevel level = DegradeLevel::Mild;
  bool operator==(const Degrade&) const = default;
};
struct Quarantine {
  std::string reason;
  bool operator==(const Quarantine&) const = default;
};
}  // namespace intervention

using Intervention =
    std::variant<intervention::Nudge, intervention::Interject, intervention::Compact,
                 intervention::Pause, intervention::Resume, intervention::Escalate,
                 intervention::Fork, intervention::Reroute, intervention::Rollback,
                 intervention::Diversify, intervention::Isolate, intervention::CircuitBreak,
                 intervention::Replace, intervention::Degrade, intervention::Quarantine>;

// The variant name of an intervention ("CircuitBreak").
std::string_view intervention_name(const Intervention& intervention);

// The proposal of one strategy for one issue.
struct StrategyResult {
  std::string strategy_name;
  Intervention intervention;
  std::uint32_t priority = 0;
  std::string reasoning;
  double confidence = 0.0;
  bool operator==(const StrategyResult&) const = default;
};

enum class HealthTrend : std::uint8_t { Improving, Stable, Degrading };
std::string_view health_trend_name(HealthTrend trend);

// One score per health dimension, in declaration order; three are optional.
struct DimensionScores {
  double token_efficiency = 0.0;
  double latency = 0.0;
  double cost = 0.0;
  double accuracy = 0.0;
  double orchestration = 0.0;
  std::optional<double> communication;
  double security = 0.0;
  double reliability = 0.0;
  double context_quality = 0.0;
  std::optional<double> memory;
  double compliance = 0.0;
  std::optional<double> diversity;
  bool operator==(const DimensionScores&) const = default;
};

struct HealthScore {
  std::string agent_id;
  double overall = 0.0;
  DimensionScores dimensions;
  HealthTrend trend = HealthTrend::Stable;
  bool operator==(const HealthScore&) const = default;
};

// {"agent_id", "overall", "dimensions": {...; absent optional scores as null}, "trend"}.
nlohmann::json health_score_to_json(const HealthScore& score);
// The health score's place in a document: the record, or null when there is none yet.
nlohmann::json health_score_to_json(const std::optional<HealthScore>& score);

enum class AuditKind : std::uint8_t { Observation, Detection, Decision, InterventionApplied };
std::string_view audit_kind_name(AuditKind kind);

// One record of the audit trail.
struct AuditEvent {
  Uuid id;
  Uuid cycle_id;
  AuditKind kind = AuditKind::Observation;
  std::string source;
  nlohmann::json data;
  std::uint64_t sequence = 0;
  Timestamp timestamp;
  bool operator==(const AuditEvent&) const = default;
};

}  // namespace brask::core
