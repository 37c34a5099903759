#include "brask/server/session/names.h"

#include <gtest/gtest.h>

namespace brask::server::session {
namespace {

using agent::AgentType;
using harness::Preset;

TEST(Names, ParseBothVocabularies) {
  struct Case {
    const char* text;
    AgentType type;
    Preset preset;
  };
  const Case cases[] = {
      {"langgraph", AgentType::LangGraph, Preset::Langgraph},
      {"LangGraph", AgentType::LangGraph, Preset::Langgraph},
      {"CREW_AI", AgentType::CrewAi, Preset::Crewai},
      // Spellings where the two vocabularies part ways.
      {"custom", AgentType::Custom, Preset::Custom},
      {"openai_swarm", AgentType::OpenAiSwarm, Preset::Solo},
      {"OpenAISwarm", AgentType::OpenAiSwarm, Preset::OpenaiSwarm},
      {"pear-ai", AgentType::PearAi, Preset::Pearai},
      {"v0", AgentType::V0, Preset::V0},
      {"", AgentType::Solo, Preset::Solo},
      {"no-such-thing", AgentType::Solo, Preset::Solo},
      {" langgraph", AgentType::Solo, Preset::Solo},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(parse_agent_type(c.text), c.type) << c.text;
    EXPECT_EQ(parse_preset(c.text), c.preset) << c.text;
  }
}

TEST(Names, EveryTextNameParsesBackToItsType) {
  for (std::size_t i = 0; i < kAgentTypeCount; ++i) {
    const auto type = static_cast<AgentType>(i);
    EXPECT_EQ(parse_agent_type(agent_type_name(type)), type) << agent_type_name(type);
  }
  for (const Preset preset : harness::all_presets()) {
    EXPECT_EQ(parse_preset(harness::preset_name(preset)), preset) << harness::preset_name(preset);
  }
  EXPECT_EQ(agent_type_name(AgentType::Custom), "custom");
  EXPECT_EQ(agent_type_name(AgentType::V0), "v0");
}

}  // namespace
}  // namespace brask::server::session
