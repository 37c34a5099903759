#pragma once

#include <cstdint>

namespace brask::agent {

// The agent frameworks known by name. Ordinal 0 is the type used when nothing else is known.
enum class AgentType : std::uint8_t {
  Solo,
  Custom,
  LangGraph,
  CrewAi,
  AutoGen,
  LangChain,
  OpenAiSwarm,
  SemanticKernel,
  Haystack,
  Dspy,
  LlamaIndex,
  TaskWeaver,
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
  PearAi,
  BoltNew,
  Lovable,
  V0,
};

}  // namespace brask::agent
