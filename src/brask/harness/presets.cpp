#include "brask/harness/presets.h"

#include <algorithm>
#include <array>
#include <utility>

namespace brask::harness {
namespace {

// One row per preset, in ordinal order; plugin names are separated by single spaces.
struct PresetRow {
  Preset preset;
  std::string_view name;
  std::string_view observers;
  std::string_view detectors;
  std::string_view strategies;
};

constexpr std::array<PresetRow, kPresetCount> kPresets = {{
    {Preset::Solo, "solo", "token latency cost accuracy security reliability context_quality orch",
     "loop stale_context cost_anomaly secret_leak hallucination accuracy_risk model_mismatch",
     "nudge compact pause escalate replace"},
    {Preset::Langgraph, "langgraph", "token latency orch comm context_quality reliability",
     "deadlock loop stale_context conversation_stall runaway_cost",
     "reroute nudge compact pause rollback"},
    {Preset::Crewai, "crewai", "token latency orch comm accuracy diversity reliability",
     "deadlock variety_collapse conversation_stall goal_drift output_degradation",
     "diversify nudge pause replace fork"},
    {Preset::Autogen, "autogen", "token latency comm accuracy diversity security",
     "conversation_stall prompt_injection goal_drift variety_collapse loop",
     "nudge interject pause diversify rollback"},
    {Preset::Langchain, "langchain",
     "token latency cost accuracy security reliability context_quality",
     "loop stale_context hallucination secret_leak accuracy_risk cost_anomaly",
     "nudge compact pause escalate replace rollback"},
    {Preset::OpenaiSwarm, "openai-swarm", "token latency orch comm accuracy",
     "conversation_stall goal_drift loop deadlock", "nudge reroute pause diversify"},
    {Preset::SemanticKernel, "semantic-kernel", "token latency cost accuracy security compliance",
     "secret_leak prompt_injection accuracy_risk compliance_gap model_mismatch",
     "nudge pause isolate escalate quarantine"},
    {Preset::Haystack, "haystack", "token latency accuracy context_quality memory",
     "stale_context accuracy_risk hallucination output_degradation",
     "nudge compact replace rollback"},
    {Preset::Dspy, "dspy", "token latency cost accuracy orch",
     "accuracy_risk model_mismatch output_degradation cost_anomaly loop",
     "nudge escalate replace rollback compact"},
    {Preset::Llamaindex, "llamaindex", "token latency accuracy context_quality memory reliability",
     "stale_context hallucination accuracy_risk output_degradation loop",
     "nudge compact replace rollback pause"},
    {Preset::Taskweaver, "taskweaver", "token latency accuracy security reliability",
     "accuracy_risk secret_leak loop resource_exhaustion", "nudge pause escalate rollback"},
    {Preset::Agno, "agno", "token latency cost accuracy memory diversity",
     "loop hallucination accuracy_risk cost_anomaly variety_collapse",
     "nudge compact diversify replace pause"},
    {Preset::AtomicAgents, "atomic-agents", "token latency accuracy security",
     "loop hallucination accuracy_risk secret_leak", "nudge pause replace"},
    {Preset::BeeAgent, "bee-agent", "token latency orch reliability context_quality",
     "loop stale_context deadlock accuracy_risk", "nudge reroute compact pause rollback"},
    {Preset::PydanticAi, "pydantic-ai", "token latency accuracy security compliance",
     "accuracy_risk secret_leak compliance_gap hallucination",
     "nudge pause isolate escalate quarantine"},
    {Preset::ClaudeCode, "claude-code",
     "token latency cost accuracy security reliability context_quality",
     "loop stale_context cost_anomaly secret_leak hallucination accuracy_risk model_mismatch "
     "runaway_cost",
     "nudge compact pause escalate replace rollback interject degrade"},
    {Preset::Aider, "aider", "token latency cost accuracy context_quality",
     "loop accuracy_risk cost_anomaly hallucination stale_context",
     "nudge compact pause replace rollback"},
    {Preset::Cline, "cline", "token latency cost accuracy security",
     "loop secret_leak hallucination accuracy_risk cost_anomaly",
     "nudge compact pause replace escalate"},
    {Preset::Continue, "continue", "token latency accuracy context_quality",
     "loop stale_context hallucination accuracy_risk", "nudge compact pause replace"},
    {Preset::VercelAi, "vercel-ai", "token latency cost accuracy",
     "loop cost_anomaly accuracy_risk", "nudge pause degrade"},
    {Preset::Copilot, "copilot", "token latency accuracy security",
     "secret_leak accuracy_risk prompt_injection", "nudge pause interject"},
    {Preset::Cursor, "cursor", "token latency cost accuracy context_quality",
     "loop stale_context accuracy_risk secret_leak", "nudge compact pause"},
    {Preset::Windsurf, "windsurf", "token latency accuracy context_quality",
     "loop accuracy_risk hallucination", "nudge pause"},
    {Preset::Devin, "devin", "token latency cost accuracy security",
     "loop cost_anomaly accuracy_risk secret_leak", "nudge pause degrade escalate"},
    {Preset::AmazonQ, "amazon-q", "token latency cost security compliance",
     "secret_leak compliance_gap cost_anomaly", "nudge pause isolate"},
    {Preset::ReplitAgent, "replit-agent", "token latency cost accuracy",
     "loop cost_anomaly accuracy_risk", "nudge pause degrade"},
    {Preset::Pearai, "pearai", "token latency accuracy", "loop accuracy_risk", "nudge pause"},
    {Preset::BoltNew, "bolt-new", "token latency cost accuracy", "loop cost_anomaly accuracy_risk",
     "nudge pause degrade"},
    {Preset::Lovable, "lovable", "token latency cost accuracy", "loop cost_anomaly accuracy_risk",
     "nudge pause degrade"},
    {Preset::V0, "v0", "token latency accuracy security", "accuracy_risk secret_leak loop",
     "nudge pause"},
    {Preset::Custom, "custom", "token latency cost accuracy security",
     "loop stale_context secret_leak", "nudge compact pause"},
}};

// The rows are looked up by ordinal, so each must sit at its own place.
constexpr bool rows_in_ordinal_order() {
  for (std::size_t i = 0; i < kPresets.size(); ++i) {
    if (std::to_underlying(kPresets[i].preset) != i) return false;
  }
  return true;
}
static_assert(rows_in_ordinal_order());

constexpr std::array<Preset, kPresetCount> kAllPresets = [] {
  std::array<Preset, kPresetCount> out{};
  for (std::size_t i = 0; i < kPresets.size(); ++i) out[i] = kPresets[i].preset;
  return out;
}();

const PresetRow& row_of(Preset preset) {
  return kPresets.at(std::to_underlying(preset));
}

std::vector<std::string_view> split_names(std::string_view names) {
  std::vector<std::string_view> out;
  out.reserve(static_cast<std::size_t>(std::count(names.begin(), names.end(), ' ')) + 1);
  while (!names.empty()) {
    const auto space = names.find(' ');
    out.push_back(names.substr(0, space));
    if (space == std::string_view::npos) break;
    names.remove_prefix(space + 1);
  }
  return out;
}

}  // namespace

std::span<const Preset> all_presets() {
  return kAllPresets;
}

std::string_view preset_name(Preset preset) {
  return row_of(preset).name;
}

std::vector<std::string_view> observers(Preset preset) {
  return split_names(row_of(preset).observers);
}

std::vector<std::string_view> detectors(Preset preset) {
  return split_names(row_of(preset).detectors);
}

std::vector<std::string_view> strategies(Preset preset) {
  return split_names(row_of(preset).strategies);
}

}  // namespace brask::harness
