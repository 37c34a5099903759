#include <gtest/gtest.h>

#include <limits>

#include "brask/core/event_json.h"

namespace brask::core {
namespace {

using namespace std::chrono;

// 2026-12-11T10:20:30Z plus a sub-second part.
Timestamp at(nanoseconds fraction = nanoseconds{0}) {
  return Timestamp{sys_days{year{2026} / 12 / 11}.time_since_epoch() + hours{10} + minutes{20} +
                   seconds{30} + fraction};
}

struct EventCase {
  const char* name;
  AgentEvent event;
  const char* json;
};

class EventJsonTest : public testing::TestWithParam<EventCase> {};

TEST_P(EventJsonTest, WritesTheStreamForm) {
  const auto& param = GetParam();
  auto text = event_to_json_text(param.event);
  ASSERT_TRUE(text.has_value()) << text.error().message();
  EXPECT_EQ(*text, param.json);
  // The value tree holds the same members with the same values.
  auto value = event_to_json_value(param.event);
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(*value, nlohmann::json::parse(param.json));
}

INSTANTIATE_TEST_SUITE_P(
    EveryVariant, EventJsonTest,
    testing::Values(
        EventCase{
            "started", event::Started{"a", "fix bug", at()},
            R"({"type":"started","agent_id":"a","task":"fix bug","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "completed", event::Completed{"a", "done", at()},
            R"({"type":"completed","agent_id":"a","summary":"done","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "failed", event::Failed{"a", "boom", at()},
            R"({"type":"failed","agent_id":"a","error":"boom","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "forked", event::Forked{"p", "c", "sub", at()},
            R"({"type":"forked","parent_id":"p","child_id":"c","task":"sub","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{"thinking_start", event::ThinkingStart{"a", at()},
                  R"({"type":"thinking_start","agent_id":"a","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "thinking_delta", event::ThinkingDelta{"a", "hm", at()},
            R"({"type":"thinking_delta","agent_id":"a","text":"hm","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{"thinking_end", event::ThinkingEnd{"a", at()},
                  R"({"type":"thinking_end","agent_id":"a","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "tool_call_start_object_args",
            event::ToolCallStart{"a", "grep", {{"query", "x"}, {"n", 2}}, at()},
            R"({"type":"tool_call_start","agent_id":"a","tool":"grep","args":{"n":2,"query":"x"},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "tool_call_start_string_args", event::ToolCallStart{"a", "sh", "ls -l", at()},
            R"({"type":"tool_call_start","agent_id":"a","tool":"sh","args":"ls -l","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "tool_call_end", event::ToolCallEnd{"a", "grep", {"out", true, 50, 100}, at()},
            R"({"type":"tool_call_end","agent_id":"a","tool":"grep","result":{"content":"out","is_error":true,"duration_ms":50,"token_count":100},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "tool_call_cached", event::ToolCallCached{"a", "grep", at()},
            R"({"type":"tool_call_cached","agent_id":"a","tool":"grep","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "message_sent_no_recipients", event::MessageSent{"a", {}, TextContent{"hi"}, at()},
            R"({"type":"message_sent","from":"a","to":[],"content":{"type":"text","text":"hi"},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "message_sent_tool_call",
            event::MessageSent{"a", {"b", "c"}, ToolCallContent{"run", {{"x", 1}}}, at()},
            R"({"type":"message_sent","from":"a","to":["b","c"],"content":{"type":"tool_call","name":"run","args":{"x":1}},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "message_received_task", event::MessageReceived{"a", "b", TaskContent{"do"}, at()},
            R"({"type":"message_received","from":"a","to":"b","content":{"type":"task","description":"do"},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "message_received_structured_merged",
            event::MessageReceived{"a", "b", StructuredContent{{{"a", 1}, {"b", "two"}}}, at()},
            R"({"type":"message_received","from":"a","to":"b","content":{"type":"structured","a":1,"b":"two"},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "message_received_structured_null",
            event::MessageReceived{"a", "b", StructuredContent{nullptr}, at()},
            R"({"type":"message_received","from":"a","to":"b","content":{"type":"structured"},"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "token_usage_zero", event::TokenUsage{"a", 0, 0, 0, 0, "m", at()},
            R"({"type":"token_usage","agent_id":"a","input":0,"output":0,"cache_read":0,"cache_write":0,"model":"m","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "context_pressure_nan",
            event::ContextPressure{"a", std::numeric_limits<double>::quiet_NaN(), 0.25, at()},
            R"({"type":"context_pressure","agent_id":"a","current_ratio":null,"trend":0.25,"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "context_pressure_shortest_float", event::ContextPressure{"a", 0.1, 1.0, at()},
            R"({"type":"context_pressure","agent_id":"a","current_ratio":0.1,"trend":1.0,"timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "state_transition", event::StateTransition{"a", "idle", "busy", "go", at()},
            R"({"type":"state_transition","agent_id":"a","from":"idle","to":"busy","condition":"go","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "output_delta", event::OutputDelta{"a", "x", at()},
            R"({"type":"output_delta","agent_id":"a","text":"x","timestamp":"2026-12-11T10:20:30Z"})"},
        EventCase{
            "output_complete", event::OutputComplete{"a", "all", at()},
            R"({"type":"output_complete","agent_id":"a","content":"all","timestamp":"2026-12-11T10:20:30Z"})"}),
    [](const testing::TestParamInfo<EventCase>& info) { return info.param.name; });

TEST(EventJson, StructuredContentThatIsNotAnObjectIsAnErrorValue) {
  for (const auto& payload :
       {nlohmann::json(1), nlohmann::json("s"), nlohmann::json::array(), nlohmann::json(true)}) {
    AgentEvent event = event::MessageReceived{"a", "b", StructuredContent{payload}, at()};
    auto text = event_to_json_text(event);
    ASSERT_FALSE(text.has_value()) << payload.dump();
    EXPECT_EQ(text.error().kind(), BraskError::Kind::Internal);
    EXPECT_FALSE(event_to_json_value(event).has_value());
  }
}

TEST(EventJson, EveryKindHasItsTag) {
  EXPECT_EQ(AgentEvent(event::ToolCallEnd{}).tag(), "tool_call_end");
  EXPECT_EQ(AgentEvent(event::OutputComplete{}).tag(), "output_complete");
  EXPECT_EQ(AgentEvent(event::Forked{}).agent_id(), nullptr);
  EXPECT_EQ(*AgentEvent(event::Failed{"x", "e", at()}).agent_id(), "x");
}

TEST(Timestamps, UseTheFewestFractionDigitsThatAreExact) {
  struct Case {
    nanoseconds fraction;
    const char* z;
    const char* offset;
  };
  for (const auto& c : {
           Case{nanoseconds{0}, "2026-12-11T10:20:30Z", "2026-12-11T10:20:30+00:00"},
           Case{milliseconds{250}, "2026-12-11T10:20:30.250Z", "2026-12-11T10:20:30.250+00:00"},
           Case{microseconds{1}, "2026-12-11T10:20:30.000001Z", "2026-12-11T10:20:30.000001+00:00"},
           Case{nanoseconds{7}, "2026-12-11T10:20:30.000000007Z",
                "2026-12-11T10:20:30.000000007+00:00"},
           Case{microseconds{123450}, "2026-12-11T10:20:30.123450Z",
                "2026-12-11T10:20:30.123450+00:00"},
       }) {
    EXPECT_EQ(format_rfc3339_z(at(c.fraction)), c.z);
    EXPECT_EQ(format_rfc3339_offset(at(c.fraction)), c.offset);
  }
  // Before the epoch the date still reads correctly.
  EXPECT_EQ(format_rfc3339_z(Timestamp{sys_days{year{1969} / 12 / 31}.time_since_epoch() +
                                       hours{23} + milliseconds{500}}),
            "1969-12-31T23:00:00.500Z");
}

}  // namespace
}  // namespace brask::core
