#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace brask::harness {

// Named bundles of plugin names, one per agent framework or coding assistant, in ordinal order.
enum class Preset : std::uint8_t {
  Solo,
  Langgraph,
  Crewai,
  Autogen,
  Langchain,
  OpenaiSwarm,
  SemanticKernel,
  Haystack,
  Dspy,
  Llamaindex,
  Taskweaver,
  Agno,
  AtomicAgents,
  BeeAgent,
  PydanticAi,
  ClaudeCode,
  Aider,
  Cline,
  Continue,
  VercelAi,
  Copilot,
  Cursor,
  Windsurf,
  Devin,
  AmazonQ,
  ReplitAgent,
  Pearai,
  BoltNew,
  Lovable,
  V0,
  Custom,
};

inline constexpr std::size_t kPresetCount = 31;

// Every preset in ordinal order.
std::span<const Preset> all_presets();

// The text name by which a preset is listed and chosen ("openai-swarm").
std::string_view preset_name(Preset preset);

// The preset's plugin names in the table's order. The views point at static storage.
std::vector<std::string_view> observers(Preset preset);
std::vector<std::string_view> detectors(Preset preset);
std::vector<std::string_view> strategies(Preset preset);

}  // namespace brask::harness
