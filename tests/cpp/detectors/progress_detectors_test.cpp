// loop, stale_context, hallucination and goal_drift.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "brask/detectors/goal_drift.h"
#include "brask/detectors/hallucination.h"
#include "brask/detectors/loop_detector.h"
#include "brask/detectors/stale_context.h"
#include "detectors/detector_test_support.h"

namespace brask::detectors {
namespace {

using core::Severity;
using testing::records;

std::vector<core::Observation> tool_calls(std::string_view tool, int times) {
  std::vector<core::Observation> out;
  for (int i = 0; i < times; ++i)
    out.push_back(core::Observation().set_text("tool_name", std::string(tool)));
  return out;
}

TEST(LoopDetector, SeverityStepsAtThresholdAndTwiceThreshold) {
  struct Row {
    int calls;
    std::optional<Severity> severity;
  };
  for (const auto& row : {Row{3, std::nullopt}, Row{4, Severity::Warning},
                          Row{7, Severity::Warning}, Row{8, Severity::Error}}) {
    SCOPED_TRACE(row.calls);
    LoopDetector detector;
    const auto issues = detector.detect("a", tool_calls("grep", row.calls));
    if (!row.severity) {
      EXPECT_TRUE(issues.empty());
      continue;
    }
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].severity, *row.severity);
    EXPECT_EQ(issues[0].confidence, 1.0);
    const auto count = static_cast<std::uint32_t>(row.calls);
    EXPECT_EQ(issues[0].category, core::IssueCategory(core::category::Loop{"grep", count, count}));
  }
}

TEST(LoopDetector, TextsQuoteToolCountWindowAndThreshold) {
  LoopDetector detector;
  const auto issues = detector.detect("a", tool_calls("grep", 5));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].description, "Agent called 'grep' 5 times in 10 turns — possible loop");
  EXPECT_EQ(issues[0].details, "Tool 'grep' called 5 times, threshold=4");

  // The window is text only: it does not limit what is counted.
  LoopDetector custom(2, 3);
  const auto custom_issues = custom.detect("a", tool_calls("read", 6));
  ASSERT_EQ(custom_issues.size(), 1u);
  EXPECT_EQ(custom_issues[0].description, "Agent called 'read' 6 times in 3 turns — possible loop");
  EXPECT_EQ(custom_issues[0].details, "Tool 'read' called 6 times, threshold=2");
}

TEST(LoopDetector, CountsOnlyStringToolNamesPerCall) {
  LoopDetector detector;
  auto observations = tool_calls("grep", 3);
  auto noise = records({R"({"tool_name":7})", R"({"tool_name":null})", R"({"tool":"grep"})",
                        R"({"tool_name":["grep"]})"});
  observations.insert(observations.end(), noise.begin(), noise.end());
  EXPECT_TRUE(detector.detect("a", observations).empty());
  // Nothing carries over: three more in a second call are still three.
  EXPECT_TRUE(detector.detect("a", tool_calls("grep", 3)).empty());

  // Separate tools are counted separately, each reported once.
  auto mixed = tool_calls("ls", 4);
  auto grep = tool_calls("grep", 4);
  mixed.insert(mixed.begin() + 2, grep.begin(), grep.end());
  const auto issues = detector.detect("a", mixed);
  ASSERT_EQ(issues.size(), 2u);
  std::set<std::string> tools;
  for (const auto& issue : issues)
    tools.insert(std::get<core::category::Loop>(issue.category).tool);
  EXPECT_EQ(tools, (std::set<std::string>{"grep", "ls"}));
}

TEST(StaleContextDetector, ReadCountsCarryAcrossCalls) {
  StaleContextDetector detector;
  const auto read = records({R"({"file_path":"src/main.rs"})"});
  EXPECT_TRUE(detector.detect("a", read).empty());
  EXPECT_TRUE(detector.detect("a", read).empty());

  auto third = detector.detect("a", read);
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].category,
            core::IssueCategory(core::category::StaleContext{"src/main.rs", 0.0, 3}));
  EXPECT_EQ(third[0].severity, Severity::Warning);
  EXPECT_EQ(third[0].confidence, 1.0);
  EXPECT_EQ(third[0].description, "File 'src/main.rs' read 3 times — context may be stale");
  EXPECT_EQ(third[0].details, "File read 3 times");
  EXPECT_EQ(third[0].suggested_strategies, (std::vector<std::string>{"compact", "nudge"}));

  // Every later read reports again; other paths keep their own counts.
  const auto later =
      detector.detect("a", records({R"({"file_path":"other.rs"})", R"({"file_path":"src/main.rs"})",
                                    R"({"file_path":"src/main.rs"})"}));
  ASSERT_EQ(later.size(), 2u);
  EXPECT_EQ(std::get<core::category::StaleContext>(later[0].category).read_count, 4u);
  EXPECT_EQ(later[0].details, "File read 4 times");
  EXPECT_EQ(later[1].severity, Severity::Warning);  // 5 < 2 × 3

  const auto sixth = detector.detect("a", read);
  ASSERT_EQ(sixth.size(), 1u);
  EXPECT_EQ(sixth[0].severity, Severity::Error);
}

TEST(StaleContextDetector, PressureAboveThreshold) {
  struct Row {
    std::string_view json;
    std::optional<Severity> severity;
    double confidence;
    std::string_view percent;
  };
  const Row rows[] = {
      {R"({"context_pressure":0.85})", std::nullopt, 0, ""},
      {R"({"context_pressure":"0.99"})", std::nullopt, 0, ""},
      {R"({"context_pressure":0.9})", Severity::Warning, 0.9, "90%"},
      {R"({"context_pressure":0.95})", Severity::Warning, 0.95, "95%"},
      {R"({"context_pressure":0.97})", Severity::Error, 0.97, "97%"},
      {R"({"context_pressure":1.2})", Severity::Error, 1.0, "120%"},
      {R"({"context_pressure":1})", Severity::Error, 1.0, "100%"},  // an integer is a number
      {R"({"context_pressure":0.876})", Severity::Warning, 0.876, "88%"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.json);
    StaleContextDetector detector;
    const auto issues = detector.detect("a", records({row.json}));
    if (!row.severity) {
      EXPECT_TRUE(issues.empty());
      continue;
    }
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].severity, *row.severity);
    EXPECT_DOUBLE_EQ(issues[0].confidence, row.confidence);
    EXPECT_EQ(issues[0].description,
              fmt::format("Context pressure at {} — compaction needed", row.percent));
    EXPECT_EQ(issues[0].details, fmt::format("Context pressure: {}", row.percent));
    EXPECT_EQ(issues[0].suggested_strategies, std::vector<std::string>{"compact"});
    const auto& payload = std::get<core::category::StaleContext>(issues[0].category);
    EXPECT_EQ(payload.file, "n/a");
    EXPECT_EQ(payload.read_count, 0u);
  }
}

TEST(StaleContextDetector, OneRecordWithBothMembersGivesReadIssueFirst) {
  StaleContextDetector detector(1, 0.5);
  const auto issues =
      detector.detect("a", records({R"({"file_path":"f","context_pressure":0.6})"}));
  ASSERT_EQ(issues.size(), 2u);
  EXPECT_EQ(std::get<core::category::StaleContext>(issues[0].category).file, "f");
  EXPECT_EQ(std::get<core::category::StaleContext>(issues[1].category).file, "n/a");
  EXPECT_EQ(issues[1].description, "Context pressure at 60% — compaction needed");
}

TEST(StaleContextDetector, ConcurrentCallsAddUp) {
  constexpr int kThreads = 4;
  constexpr int kCalls = 250;
  // The limit sits one read above what the threads do together, so only the read after them
  // reports, and only if none of theirs was lost.
  StaleContextDetector detector(kThreads * kCalls + 1);
  const auto read = records({R"({"file_path":"shared.txt"})"});
  std::atomic<int> reported = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kCalls; ++i)
        reported += static_cast<int>(detector.detect("a", read).size());
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(reported, 0);

  const auto issues = detector.detect("a", read);
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(std::get<core::category::StaleContext>(issues[0].category).read_count,
            static_cast<std::uint32_t>(kThreads * kCalls + 1));
}

class HallucinationDetectorFs : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            fmt::format("brask_hallucination_{}", core::Uuid::new_v4().to_string());
    std::filesystem::create_directories(root_ / "src");
    std::ofstream(root_ / "present.txt") << "x";
    std::filesystem::create_symlink(root_ / "present.txt", root_ / "good_link");
    std::filesystem::create_symlink(root_ / "gone.txt", root_ / "broken_link");
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::filesystem::path root_;
};

TEST_F(HallucinationDetectorFs, OnlyUnresolvableReferencesAreReported) {
  HallucinationDetector detector(root_.string());
  const std::string absolute_present = (root_ / "present.txt").string();
  const std::string absolute_missing = (root_ / "absent.txt").string();
  auto observations = records({
      R"({"file_reference":"src"})",
      R"({"file_reference":"present.txt"})",
      R"({"file_reference":"good_link"})",
      R"({"file_reference":"./src/../present.txt"})",
      R"({"file_reference":"missing.txt"})",
      R"({"file_reference":"broken_link"})",
      R"({"file_reference":"present.txt/child"})",
      R"({"file_reference":12})",
  });
  observations.push_back(core::Observation().set_text("file_reference", absolute_present));
  observations.push_back(core::Observation().set_text("file_reference", absolute_missing));
  // An embedded NUL must not let the check fall back to the existing "present.txt".
  observations.push_back(
      core::Observation().set_text("file_reference", std::string("present.txt\0.bak", 16)));

  const auto issues = detector.detect("a", observations);
  std::vector<std::string> reported;
  for (const auto& issue : issues) {
    reported.push_back(std::get<core::category::Hallucination>(issue.category).reference);
    EXPECT_EQ(std::get<core::category::Hallucination>(issue.category).kind, "file");
    EXPECT_EQ(issue.severity, Severity::Warning);
    EXPECT_EQ(issue.confidence, 1.0);
  }
  EXPECT_EQ(reported,
            (std::vector<std::string>{"missing.txt", "broken_link", "present.txt/child",
                                      absolute_missing, std::string("present.txt\0.bak", 16)}));
}

TEST(HallucinationDetector, TextsQuoteTheReferenceNotTheJoinedPath) {
  HallucinationDetector detector;  // root "."
  const auto issues =
      detector.detect("a", records({R"({"file_reference":"no_such_dir_4f1c/lib.rs"})"}));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].description, "Agent referenced non-existent file: no_such_dir_4f1c/lib.rs");
  EXPECT_EQ(issues[0].details, "File 'no_such_dir_4f1c/lib.rs' not found");
}

TEST(GoalDriftDetector, SimilarityByFiftyBytePrefix) {
  const std::string fifty(50, 'x');
  const std::string e_acute = "\xC3\xA9";  // two bytes
  struct Row {
    std::string task;
    std::string output;
    bool drift;
  };
  const Row rows[] = {
      {"fix the bug", "fix the bug", false},
      {"fix the bug", "write a poem", true},
      {"", "", true},  // empty text is never similar
      {"task", "", true},
      {fifty + "tail one", fifty + "other tail", false},
      {fifty, fifty + "more", false},
      {fifty.substr(0, 49), fifty + "more", true},  // agreeing, but one is shorter than 50
      // Byte 50 falls inside a two-byte character: both are cut back to 49 bytes.
      {fifty.substr(0, 49) + e_acute + "a", fifty.substr(0, 49) + e_acute + "b", false},
      {fifty.substr(0, 49) + e_acute, fifty.substr(0, 49) + "y", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.task + " | " + row.output);
    GoalDriftDetector detector;
    std::vector<core::Observation> observations{core::Observation()
                                                    .set_text("original_task", row.task)
                                                    .set_text("current_output", row.output)};
    const auto issues = detector.detect("a", observations);
    if (!row.drift) {
      EXPECT_TRUE(issues.empty());
      continue;
    }
    ASSERT_EQ(issues.size(), 1u);
    EXPECT_EQ(issues[0].category, core::IssueCategory(core::category::GoalDrift{0.3}));
    EXPECT_EQ(issues[0].severity, Severity::Warning);
    EXPECT_DOUBLE_EQ(issues[0].confidence, 0.7);
    EXPECT_EQ(issues[0].description, "Agent drifted from goal (similarity: 30%)");
    EXPECT_EQ(issues[0].details, "Task similarity dropped to 30%");
  }
}

TEST(GoalDriftDetector, TaskFromFirstRecordOutputFromLast) {
  GoalDriftDetector detector;
  // The middle record's differing output is not the last one.
  EXPECT_TRUE(detector
                  .detect("a", records({R"({"original_task":"same"})", R"({"current_output":"no"})",
                                        R"({"current_output":"same"})"}))
                  .empty());
  // A last record without an output (or with a non-text one) means nothing to compare.
  EXPECT_TRUE(detector
                  .detect("a", records({R"({"original_task":"same"})", R"({"current_output":"no"})",
                                        R"({"current_output":1})"}))
                  .empty());
  EXPECT_TRUE(detector
                  .detect("a", records({R"({"current_output":"x"})", R"({"original_task":"y"})",
                                        R"({"current_output":"z"})"}))
                  .empty());
  EXPECT_EQ(detector
                .detect("a", records({R"({"original_task":"plan"})", R"({"current_output":"x"})",
                                      R"({"current_output":"other"})"}))
                .size(),
            1u);
}

TEST(GoalDriftDetector, ThresholdMustExceedSimilarity) {
  const auto differing = records({R"({"original_task":"a","current_output":"b"})"});
  EXPECT_TRUE(GoalDriftDetector(0.3).detect("a", differing).empty());
  EXPECT_EQ(GoalDriftDetector(0.31).detect("a", differing).size(), 1u);
  const auto equal = records({R"({"original_task":"a","current_output":"a"})"});
  EXPECT_EQ(GoalDriftDetector(1.5).detect("a", equal).size(), 1u);  // similarity 1.0, confidence 0
  EXPECT_EQ(GoalDriftDetector(1.5).detect("a", equal)[0].description,
            "Agent drifted from goal (similarity: 100%)");
}

}  // namespace
}  // namespace brask::detectors
