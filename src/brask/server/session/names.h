#pragma once

#include <cstddef>
#include <string_view>

#include "brask/agent/agent_type.h"
#include "brask/harness/presets.h"

// The names a client may send for an agent type and for a preset. The two vocabularies differ on
// purpose ("custom" sits at different places, "openai_swarm" is only an agent type name).
namespace brask::server::session {

inline constexpr std::size_t kAgentTypeCount = 31;

// The text name of an agent type, as the catalogue lists it ("openai-swarm").
std::string_view agent_type_name(agent::AgentType type);

// Lower-cases the text, then looks it up; anything unknown is the solo type.
agent::AgentType parse_agent_type(std::string_view text);

// Lower-cases the text, then looks it up; anything unknown is the solo preset.
harness::Preset parse_preset(std::string_view text);

}  // namespace brask::server::session
