#include "brask/core/event_json.h"

#include <cmath>

namespace brask::core {
namespace {

using Json = nlohmann::ordered_json;

Json number(double value) {
  return std::isfinite(value) ? Json(value) : Json(nullptr);
}

struct EventWriter {
  Json& out;

  Result<void> operator()(const event::Started& e) {
    out["agent_id"] = e.agent_id;
    out["task"] = e.task;
    return {};
  }
  Result<void> operator()(const event::Completed& e) {
    out["agent_id"] = e.agent_id;
    out["summary"] = e.summary;
    return {};
  }
  Result<void> operator()(const event::Failed& e) {
    out["agent_id"] = e.agent_id;
    out["error"] = e.error;
    return {};
  }
  Result<void> operator()(const event::Forked& e) {
    out["parent_id"] = e.parent_id;
    out["child_id"] = e.child_id;
    out["task"] = e.task;
    return {};
  }
  Result<void> operator()(const event::ThinkingStart& e) {
    out["agent_id"] = e.agent_id;
    return {};
  }
  Result<void> operator()(const event::ThinkingDelta& e) {
    out["agent_id"] = e.agent_id;
    out["text"] = e.text;
    return {};
  }
  Result<void> operator()(const event::ThinkingEnd& e) {
    out["agent_id"] = e.agent_id;
    return {};
  }
  Result<void> operator()(const event::ToolCallStart& e) {
    out["agent_id"] = e.agent_id;
    out["tool"] = e.tool;
    out["args"] = Json(e.args);
    return {};
  }
  Result<void> operator()(const event::ToolCallEnd& e) {
    out["agent_id"] = e.agent_id;
    out["tool"] = e.tool;
    out["result"] = tool_result_to_json(e.result);
    return {};
  }
  Result<void> operator()(const event::ToolCallCached& e) {
    out["agent_id"] = e.agent_id;
    out["tool"] = e.tool;
    return {};
  }
  Result<void> operator()(const event::MessageSent& e) {
    out["from"] = e.from;
    out["to"] = Json::array();
    for (const auto& recipient : e.to) out["to"].push_back(recipient);
    return content(e.content);
  }
  Result<void> operator()(const event::MessageReceived& e) {
    out["from"] = e.from;
    out["to"] = e.to;
    return content(e.content);
  }
  Result<void> operator()(const event::TokenUsage& e) {
    out["agent_id"] = e.agent_id;
    out["input"] = e.input;
    out["output"] = e.output;
    out["cache_read"] = e.cache_read;
    out["cache_write"] = e.cache_write;
    out["model"] = e.model;
    return {};
  }
  Result<void> operator()(const event::ContextPressure& e) {
    out["agent_id"] = e.agent_id;
    out["current_ratio"] = number(e.current_ratio);
    out["trend"] = number(e.trend);
    return {};
  }
  Result<void> operator()(const event::StateTransition& e) {
    out["agent_id"] = e.agent_id;
    out["from"] = e.from;
    out["to"] = e.to;
    out["condition"] = e.condition;
    return {};
  }
  Result<void> operator()(const event::OutputDelta& e) {
    out["agent_id"] = e.agent_id;
    out["text"] = e.text;
    return {};
  }
  Result<void> operator()(const event::OutputComplete& e) {
    out["agent_id"] = e.agent_id;
    out["content"] = e.content;
    return {};
  }

  Result<void> content(const MessageContent& value) {
    auto written = message_content_to_json(value);
    if (!written) return std::unexpected(written.error());
    out["content"] = std::move(*written);
    return {};
  }
};

}  // namespace

Json tool_result_to_json(const ToolResult& result) {
  Json out = Json::object();
  out["content"] = result.content;
  out["is_error"] = result.is_error;
  out["duration_ms"] = result.duration_ms;
  out["token_count"] = result.token_count;
  return out;
}

Result<Json> message_content_to_json(const MessageContent& content) {
  Json out = Json::object();
  if (const auto* text = std::get_if<TextContent>(&content)) {
    out["type"] = "text";
    out["text"] = text->text;
  } else if (const auto* call = std::get_if<ToolCallContent>(&content)) {
    out["type"] = "tool_call";
    out["name"] = call->name;
    out["args"] = Json(call->args);
  } else if (const auto* task = std::get_if<TaskContent>(&content)) {
    out["type"] = "task";
    out["description"] = task->description;
  } else {
    const auto& value = std::get<StructuredContent>(content).value;
    out["type"] = "structured";
    if (value.is_object()) {
      for (const auto& [key, member] : value.items()) out[key] = Json(member);
    } else if (!value.is_null()) {
      return std::unexpected(BraskError::internal(
          "serialization error: structured message content must be an object or null"));
    }
  }
  return out;
}

Result<Json> event_to_ordered_json(const AgentEvent& event) {
  Json out = Json::object();
  out["type"] = std::string(event.tag());
  EventWriter writer{out};
  auto written = std::visit(writer, event.payload());
  if (!written) return std::unexpected(written.error());
  out["timestamp"] = format_rfc3339_z(event.timestamp());
  return out;
}

Result<std::string> event_to_json_text(const AgentEvent& event) {
  auto json = event_to_ordered_json(event);
  if (!json) return std::unexpected(json.error());
  return json->dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

Result<nlohmann::json> event_to_json_value(const AgentEvent& event) {
  auto json = event_to_ordered_json(event);
  if (!json) return std::unexpected(json.error());
  // The two JSON types share one value model: numbers keep their kind (unsigned stays unsigned).
  return nlohmann::json(*json);
}

}  // namespace brask::core
