#include <array>
#include <utility>

#include "brask/core/unicode.h"
#include "brask/harness/catalogue.h"
#include "brask/harness/presets.h"
#include "brask/python/runs.h"

namespace brask::python {
namespace {

using harness::Preset;

// The spellings the Python module accepts for each preset, after lower-casing. Anything else is
// "solo". The server accepts a different set; this table belongs to the module alone.
constexpr std::array<std::pair<std::string_view, Preset>, 43> kPresetTexts = {{
    {"solo", Preset::Solo},
    {"langgraph", Preset::Langgraph},
    {"crew", Preset::Crewai},
    {"crewai", Preset::Crewai},
    {"autogen", Preset::Autogen},
    {"langchain", Preset::Langchain},
    {"swarm", Preset::OpenaiSwarm},
    {"openai-swarm", Preset::OpenaiSwarm},
    {"sk", Preset::SemanticKernel},
    {"semantic-kernel", Preset::SemanticKernel},
    {"haystack", Preset::Haystack},
    {"dspy", Preset::Dspy},
    {"llamaindex", Preset::Llamaindex},
    {"taskweaver", Preset::Taskweaver},
    {"agno", Preset::Agno},
    {"atomic", Preset::AtomicAgents},
    {"atomic-agents", Preset::AtomicAgents},
    {"bee", Preset::BeeAgent},
    {"bee-agent", Preset::BeeAgent},
    {"pydantic", Preset::PydanticAi},
    {"pydantic-ai", Preset::PydanticAi},
    {"claude", Preset::ClaudeCode},
    {"claude-code", Preset::ClaudeCode},
    {"aider", Preset::Aider},
    {"cline", Preset::Cline},
    {"continue", Preset::Continue},
    {"vercel", Preset::VercelAi},
    {"vercel-ai", Preset::VercelAi},
    {"copilot", Preset::Copilot},
    {"cursor", Preset::Cursor},
    {"windsurf", Preset::Windsurf},
    {"devin", Preset::Devin},
    {"q", Preset::AmazonQ},
    {"amazon-q", Preset::AmazonQ},
    {"replit", Preset::ReplitAgent},
    {"replit-agent", Preset::ReplitAgent},
    {"pear", Preset::Pearai},
    {"pearai", Preset::Pearai},
    {"bolt", Preset::BoltNew},
    {"bolt-new", Preset::BoltNew},
    {"lovable", Preset::Lovable},
    {"v0", Preset::V0},
    {"custom", Preset::Custom},
}};

}  // namespace

Preset preset_from_python_text(std::string_view text) {
  const auto lowered = core::to_lower_unicode(text);
  for (const auto& [spelling, preset] : kPresetTexts) {
    if (spelling == lowered) return preset;
  }
  return Preset::Solo;
}

std::vector<std::string_view> preset_names() {
  std::vector<std::string_view> names;
  for (auto preset : harness::all_presets()) names.push_back(harness::preset_name(preset));
  return names;
}

std::vector<std::string_view> detector_names() {
  return harness::detector_names();
}
std::vector<std::string_view> observer_names() {
  return harness::observer_names();
}
std::vector<std::string_view> strategy_names() {
  return harness::strategy_names();
}

}  // namespace brask::python
