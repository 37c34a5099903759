#include "brask/server/session/names.h"

#include <optional>
#include <string>
#include <utility>

#include "brask/core/unicode.h"

namespace brask::server::session {
namespace {

using agent::AgentType;
using harness::Preset;

// Text names in ordinal order.
constexpr std::string_view kAgentTypeNames[kAgentTypeCount] = {
    "solo",         "custom",          "langgraph",    "crewai",      "autogen",     "langchain",
    "openai-swarm", "semantic-kernel", "haystack",     "dspy",        "llamaindex",  "taskweaver",
    "agno",         "atomic-agents",   "bee-agent",    "pydantic-ai", "claude-code", "aider",
    "cline",        "continue",        "vercel-ai",    "copilot",     "cursor",      "windsurf",
    "devin",        "amazon-q",        "replit-agent", "pearai",      "bolt-new",    "lovable",
    "v0",
};

// Further spellings that clients may send, beside the text names themselves.
constexpr std::pair<std::string_view, AgentType> kAgentTypeAliases[] = {
    {"crew_ai", AgentType::CrewAi},           {"openaiswarm", AgentType::OpenAiSwarm},
    {"openai_swarm", AgentType::OpenAiSwarm}, {"semantickernel", AgentType::SemanticKernel},
    {"llama-index", AgentType::LlamaIndex},   {"atomicagents", AgentType::AtomicAgents},
    {"beeagent", AgentType::BeeAgent},        {"pydanticai", AgentType::PydanticAi},
    {"claudecode", AgentType::ClaudeCode},    {"vercelai", AgentType::VercelAi},
    {"amazonq", AgentType::AmazonQ},          {"replitagent", AgentType::ReplitAgent},
    {"pear-ai", AgentType::PearAi},           {"boltnew", AgentType::BoltNew},
};

// The preset vocabulary has no "openai_swarm": that spelling falls back to solo.
constexpr std::pair<std::string_view, Preset> kPresetAliases[] = {
    {"crew_ai", Preset::Crewai},
    {"openaiswarm", Preset::OpenaiSwarm},
    {"semantickernel", Preset::SemanticKernel},
    {"llama-index", Preset::Llamaindex},
    {"atomicagents", Preset::AtomicAgents},
    {"beeagent", Preset::BeeAgent},
    {"pydanticai", Preset::PydanticAi},
    {"claudecode", Preset::ClaudeCode},
    {"vercelai", Preset::VercelAi},
    {"amazonq", Preset::AmazonQ},
    {"replitagent", Preset::ReplitAgent},
    {"pear-ai", Preset::Pearai},
    {"boltnew", Preset::BoltNew},
};

template <typename T, std::size_t N>
std::optional<T> alias(const std::pair<std::string_view, T> (&table)[N], std::string_view text) {
  for (const auto& [name, value] : table) {
    if (name == text) return value;
  }
  return std::nullopt;
}

}  // namespace

std::string_view agent_type_name(AgentType type) {
  return kAgentTypeNames[static_cast<std::size_t>(type)];
}

AgentType parse_agent_type(std::string_view text) {
  const std::string lower = core::to_lower_unicode(text);
  for (std::size_t i = 0; i < kAgentTypeCount; ++i) {
    if (kAgentTypeNames[i] == lower) return static_cast<AgentType>(i);
  }
  return alias(kAgentTypeAliases, lower).value_or(AgentType::Solo);
}

Preset parse_preset(std::string_view text) {
  const std::string lower = core::to_lower_unicode(text);
  for (const Preset preset : harness::all_presets()) {
    if (harness::preset_name(preset) == lower) return preset;
  }
  return alias(kPresetAliases, lower).value_or(Preset::Solo);
}

}  // namespace brask::server::session
