// deadlock, conversation_stall and variety_collapse.
#include <algorithm>
#include <optional>
#include <string>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "brask/core/time.h"
#include "brask/detectors/conversation_stall.h"
#include "brask/detectors/deadlock.h"
#include "brask/detectors/variety_collapse.h"
#include "detectors/detector_test_support.h"

namespace brask::detectors {
namespace {

using core::Severity;
using testing::records;

std::string wait(std::string_view agent, std::string_view target, std::string_view secs) {
  return fmt::format(R"({{"waiting_agent":"{}","waiting_for":"{}","wait_duration_secs":{}}})",
                     agent, target, secs);
}

std::vector<core::Observation> waits(std::initializer_list<std::string> texts) {
  std::vector<core::Observation> out;
  for (const auto& text : texts)
    out.push_back(core::Observation::from_json(nlohmann::json::parse(text)));
  return out;
}

std::vector<std::vector<std::string>> deadlocked_pairs(
    const std::vector<core::DetectedIssue>& issues) {
  std::vector<std::vector<std::string>> out;
  for (const auto& issue : issues)
    out.push_back(std::get<core::category::Deadlock>(issue.category).agents);
  std::sort(out.begin(), out.end());
  return out;
}

TEST(DeadlockDetector, MutualWaitReportedFromEachSideAtTimeout) {
  DeadlockDetector detector;
  const auto both =
      detector.detect("a", waits({wait("planner", "coder", "70"), wait("coder", "planner", "65")}));
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(deadlocked_pairs(both),
            (std::vector<std::vector<std::string>>{{"coder", "planner"}, {"planner", "coder"}}));
  for (const auto& issue : both) {
    EXPECT_EQ(issue.severity, Severity::Error);
    EXPECT_EQ(issue.confidence, 1.0);
    const auto& payload = std::get<core::category::Deadlock>(issue.category);
    if (payload.agents.front() == "planner") {
      EXPECT_EQ(payload.wait_secs, 70u);
      EXPECT_EQ(issue.description, "Deadlock: planner↔coder (70s)");
      EXPECT_EQ(issue.details, "Circular wait 70s");
    } else {
      EXPECT_EQ(payload.wait_secs, 65u);
      EXPECT_EQ(issue.description, "Deadlock: coder↔planner (65s)");
    }
  }

  struct Row {
    std::vector<std::string> observations;
    std::vector<std::vector<std::string>> pairs;
  };
  const Row rows[] = {
      {{wait("planner", "coder", "70"), wait("coder", "planner", "30")}, {{"planner", "coder"}}},
      {{wait("planner", "coder", "60"), wait("coder", "planner", "59")}, {{"planner", "coder"}}},
      {{wait("planner", "coder", "70"), wait("coder", "tester", "70")}, {}},
      {{wait("planner", "coder", "70")}, {}},
      {{wait("solo", "solo", "60")}, {{"solo", "solo"}}},
      // A negative or fractional wait is not a wait at all, so the cycle is incomplete.
      {{wait("planner", "coder", "70"), wait("coder", "planner", "-70")}, {}},
      {{wait("planner", "coder", "70"), wait("coder", "planner", "70.5")}, {}},
      {{wait("planner", "coder", "70.0"), wait("coder", "planner", "70")}, {}},
      // The later record for an agent replaces the earlier one before the cycle check.
      {{wait("planner", "tester", "70"), wait("coder", "planner", "70"),
        wait("planner", "coder", "80")},
       {{"coder", "planner"}, {"planner", "coder"}}},
      {{wait("planner", "coder", "70"), wait("coder", "planner", "70"),
        wait("planner", "tester", "80")},
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.observations));
    std::vector<core::Observation> observations;
    for (const auto& text : row.observations) {
      observations.push_back(core::Observation::from_json(nlohmann::json::parse(text)));
    }
    EXPECT_EQ(deadlocked_pairs(detector.detect("a", observations)), row.pairs);
  }
}

TEST(DeadlockDetector, RecordsMissingAMemberAreSkipped) {
  DeadlockDetector detector(10);
  const auto issues = detector.detect(
      "a", records({R"({"waiting_agent":"a","waiting_for":"b"})",
                    R"({"waiting_agent":"b","wait_duration_secs":20})",
                    R"({"waiting_agent":"b","waiting_for":["a"],"wait_duration_secs":20})",
                    R"({"waiting_agent":"a","waiting_for":"b","wait_duration_secs":20})"}));
  EXPECT_TRUE(issues.empty());
}

// Runs `check` with the current whole second; repeats if the second turned over meanwhile, so
// the detector and the test saw the same clock value.
template <typename Check>
void at_stable_second(Check check) {
  for (;;) {
    const std::uint64_t before = core::unix_seconds_now();
    check(before * 1000);
    if (core::unix_seconds_now() == before) return;
  }
}

TEST(ConversationStallDetector, SilenceAgainstTheWallClock) {
  struct Row {
    std::int64_t ago_ms;  // negative: in the future
    std::optional<Severity> severity;
    std::uint64_t elapsed;
  };
  const Row rows[] = {
      {50'000, Severity::Warning, 50}, {45'000, Severity::Warning, 45},
      {44'000, std::nullopt, 0},       {44'999, std::nullopt, 0},
      {90'000, Severity::Warning, 90}, {91'000, Severity::Error, 91},
      {100'000, Severity::Error, 100}, {-5'000, std::nullopt, 0},
  };
  ConversationStallDetector detector;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.ago_ms);
    at_stable_second([&](std::uint64_t now_ms) {
      const auto timestamp =
          static_cast<std::uint64_t>(static_cast<std::int64_t>(now_ms) - row.ago_ms);
      const auto issues = detector.detect(
          "a", std::vector{core::Observation().set_count("msg_timestamp_ms", timestamp)});
      if (!row.severity) {
        EXPECT_TRUE(issues.empty());
        return;
      }
      ASSERT_EQ(issues.size(), 1u);
      EXPECT_EQ(issues[0].category,
                core::IssueCategory(core::category::ConversationStall{row.elapsed}));
      EXPECT_EQ(issues[0].severity, *row.severity);
      EXPECT_EQ(issues[0].confidence, 1.0);
      EXPECT_EQ(issues[0].description, fmt::format("Conversation stalled for {}s", row.elapsed));
      EXPECT_EQ(issues[0].details, fmt::format("No messages for {}s", row.elapsed));
    });
  }
}

TEST(ConversationStallDetector, OnlyTheLastUnsignedTimestampCounts) {
  ConversationStallDetector detector;
  at_stable_second([&](std::uint64_t now_ms) {
    // The recent timestamp comes first, so the old last one decides.
    std::vector<core::Observation> observations;
    observations.push_back(core::Observation().set_count("msg_timestamp_ms", now_ms - 1'000));
    observations.push_back(core::Observation().set_count("msg_timestamp_ms", now_ms - 100'000));
    // Not unsigned integers: skipped, so they do not become "the last".
    observations.push_back(core::Observation().set_number("msg_timestamp_ms", 1.0 * now_ms));
    observations.push_back(core::Observation().set("msg_timestamp_ms", std::int64_t{-1}));
    observations.push_back(core::Observation().set_text("msg_timestamp_ms", "now"));
    const auto issues = detector.detect("a", observations);
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].category, core::IssueCategory(core::category::ConversationStall{100}));
  });
  // Only ill-kinded timestamps: nothing to measure.
  EXPECT_TRUE(
      detector.detect("a", records({R"({"msg_timestamp_ms":1.5})", R"({"msg_timestamp_ms":-3})"}))
          .empty());
}

TEST(VarietyCollapseDetector, ShareOfIdenticalPrefixPairs) {
  const std::string long_a = std::string(200, 'a');
  const std::string e_acute = "\xC3\xA9";
  struct Row {
    double threshold;
    std::vector<std::string> outputs;
    std::optional<std::string> description;  // nothing: no issue
    std::string details;
    double share;
  };
  const Row rows[] = {
      {0.85, {"same", "same", "same"}, "3 agents near-identical (100%)", "3/3 pairs similar", 1.0},
      {0.85, {"same", "same", "same", "other"}, std::nullopt, "", 0},  // 3/6
      {0.4,
       {"same", "same", "same", "other"},
       "4 agents near-identical (50%)",
       "3/6 pairs similar",
       0.5},
      {0.85, {"same", "same"}, std::nullopt, "", 0},
      {0.0, {"", "", ""}, std::nullopt, "", 0},  // empty outputs are never similar
      {0.85,
       {long_a + "x", long_a + "y", long_a},
       "3 agents near-identical (100%)",
       "3/3 pairs similar",
       1.0},
      {0.85,
       {long_a.substr(1) + "x", long_a.substr(1) + "y", long_a.substr(1)},
       std::nullopt,
       "",
       0},
      // Byte 200 falls inside a character: the prefixes are cut back to 199 bytes.
      {0.85,
       {long_a.substr(1) + e_acute + "1", long_a.substr(1) + e_acute + "2",
        long_a.substr(1) + e_acute},
       "3 agents near-identical (100%)",
       "3/3 pairs similar",
       1.0},
      {0.6, {"x", "x", "x", "y", "y", "z"}, std::nullopt, "", 0},  // 4/15
      {0.2,
       {"x", "x", "x", "y", "y", "z"},
       "6 agents near-identical (27%)",
       "4/15 pairs similar",
       4.0 / 15.0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.outputs));
    VarietyCollapseDetector detector(row.threshold);
    std::vector<core::Observation> observations;
    for (const auto& output : row.outputs) {
      observations.push_back(core::Observation().set_text("agent_output", output));
    }
    const auto issues = detector.detect("a", observations);
    if (!row.description) {
      EXPECT_TRUE(issues.empty());
      continue;
    }
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].description, *row.description);
    EXPECT_EQ(issues[0].details, row.details);
    EXPECT_DOUBLE_EQ(issues[0].confidence, row.share);
    EXPECT_EQ(issues[0].severity, Severity::Warning);
    const auto& payload = std::get<core::category::VarietyCollapse>(issues[0].category);
    EXPECT_DOUBLE_EQ(payload.similarity, row.share);
    EXPECT_EQ(payload.outputs, row.outputs.size());
  }
}

TEST(VarietyCollapseDetector, CountsOnlyTextOutputs) {
  VarietyCollapseDetector detector;
  const auto issues = detector.detect(
      "a", records({R"({"agent_output":5})", R"({"agent_output":"ok"})", R"({"output":"ok"})",
                    R"({"agent_output":"ok"})", R"({"agent_output":"ok"})"}));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].details, "3/3 pairs similar");
  // Two text outputs plus non-text ones are still too few.
  EXPECT_TRUE(detector
                  .detect("a", records({R"({"agent_output":"ok"})", R"({"agent_output":null})",
                                        R"({"agent_output":"ok"})"}))
                  .empty());
}

}  // namespace
}  // namespace brask::detectors
