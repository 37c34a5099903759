#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "brask/core/error.h"
#include "brask/core/text_form.h"
#include "brask/core/uuid.h"

namespace brask::core {
namespace {

TEST(TextForm, Interventions) {
  const auto checkpoint =
      Uuid(std::array<std::uint8_t, 16>{0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc, 0x4d, 0xef, 0x80, 0x01,
                                        0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
  struct Case {
    Intervention intervention;
    const char* text;
  };
  for (const auto& c : {
           Case{intervention::Nudge{"Try again", "loop"},
                R"(Nudge { message: "Try again", reason: "loop" })"},
           Case{intervention::Compact{0.5, CompressionLayer::Microcompact},
                "Compact { target_ratio: 0.5, layer: Microcompact }"},
           Case{intervention::Compact{1.0, CompressionLayer::Budget},
                "Compact { target_ratio: 1.0, layer: Budget }"},
           Case{intervention::Escalate{std::nullopt, std::nullopt, "why"},
                R"(Escalate { new_model: None, budget_increase: None, reason: "why" })"},
           Case{
               intervention::Escalate{"m", 50000, "why"},
               R"(Escalate { new_model: Some("m"), budget_increase: Some(50000), reason: "why" })"},
           Case{intervention::Pause{"p", checkpoint},
                R"(Pause { reason: "p", checkpoint_id: 12345678-9abc-4def-8001-020304050607 })"},
           Case{intervention::Resume{}, "Resume"},
           Case{intervention::Fork{2, {"a", "b"}}, R"(Fork { count: 2, subtasks: ["a", "b"] })"},
           Case{intervention::Fork{0, {}}, "Fork { count: 0, subtasks: [] }"},
           Case{intervention::Isolate{IsolationLevel::FullSandbox, "r"},
                R"(Isolate { level: FullSandbox, reason: "r" })"},
           Case{intervention::Degrade{DegradeLevel::Moderate}, "Degrade { level: Moderate }"},
           Case{intervention::Replace{"sum", std::nullopt},
                R"(Replace { context_summary: "sum", new_model: None })"},
       }) {
    EXPECT_EQ(to_text(c.intervention), c.text);
  }
}

TEST(TextForm, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(text_of_string("say \"hi\"\\ now\n\t\r\x01"), R"("say \"hi\"\\ now\n\t\r\u{1}")");
  EXPECT_EQ(text_of_string("caf\xc3\xa9 \xe2\x80\x94"), "\"caf\xc3\xa9 \xe2\x80\x94\"");
}

TEST(TextForm, FloatsAlwaysHaveAFractionalPart) {
  EXPECT_EQ(text_of_f64(1.0), "1.0");
  EXPECT_EQ(text_of_f64(0.75), "0.75");
  EXPECT_EQ(text_of_f64(0.1), "0.1");
  EXPECT_EQ(text_of_f64(-3.0), "-3.0");
  EXPECT_EQ(text_of_f64(1.0 / 3.0), "0.3333333333333333");
}

TEST(TextForm, StrategyResultAndSeverity) {
  StrategyResult result{"compact", intervention::Compact{0.6, CompressionLayer::Autocompact}, 20,
                        "Context pressure at 97%", 0.9};
  EXPECT_EQ(to_text(result),
            "StrategyResult { strategy_name: \"compact\", intervention: Compact { target_ratio: "
            "0.6, layer: Autocompact }, priority: 20, reasoning: \"Context pressure at 97%\", "
            "confidence: 0.9 }");
  EXPECT_EQ(to_text(Severity::Critical), "Critical");
  EXPECT_LT(Severity::Warning, Severity::Error);
}

TEST(BraskErrorMessages, FillTheirTemplates) {
  struct Case {
    BraskError error;
    const char* message;
  };
  for (const auto& c : {
           Case{BraskError::llm("x"), "LLM API error: x"},
           Case{BraskError::tool_execution("x"), "Tool execution error: x"},
           Case{BraskError::context_window_exceeded(210, 200),
                "Context window exceeded: 210 > 200"},
           Case{BraskError::rate_limited(30), "Rate limited, retry after 30s"},
           Case{BraskError::session_not_found("s1"), "Session not found: s1"},
           Case{BraskError::configuration("x"), "Configuration error: x"},
           Case{BraskError::internal("x"), "Internal error: x"},
           Case{BraskError::plugin("x"), "Plugin error: x"},
           Case{BraskError::checkpoint("x"), "Checkpoint error: x"},
           Case{BraskError::audit("x"), "Audit error: x"},
           Case{BraskError::intervention_failed("x"), "Intervention failed: x"},
           Case{BraskError::circuit_broken("x"), "Circuit broken: x"},
       }) {
    EXPECT_EQ(c.error.message(), c.message);
  }
}

TEST(HealthScoreJson, AbsentOptionalScoresAreNull) {
  HealthScore score{"a", 0.8, {}, HealthTrend::Degrading};
  score.dimensions.communication = 0.5;
  const auto json = health_score_to_json(score);
  EXPECT_TRUE(json["dimensions"]["memory"].is_null());
  EXPECT_TRUE(json["dimensions"]["diversity"].is_null());
  EXPECT_EQ(json["dimensions"]["communication"], 0.5);
  EXPECT_EQ(json["dimensions"].size(), 12u);
  EXPECT_EQ(json["trend"], "Degrading");
  EXPECT_EQ(json["agent_id"], "a");
  EXPECT_TRUE(health_score_to_json(std::optional<HealthScore>{}).is_null());
}

TEST(Uuid, VersionFourLowerCaseHyphenatedAndFresh) {
  const std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    auto text = Uuid::new_v4().to_string();
    EXPECT_TRUE(std::regex_match(text, form)) << text;
    seen.insert(text);
  }
  EXPECT_EQ(seen.size(), 1000u);
}

TEST(Categories, CanonicalNamesFollowDeclarationOrder) {
  EXPECT_EQ(category_name(category::SecretLeak{"x"}), "secret_leak");
  EXPECT_EQ(category_name(category::ComplianceGap{}), "compliance_gap");
  EXPECT_EQ(category_names().size(), 16u);
}

}  // namespace
}  // namespace brask::core
