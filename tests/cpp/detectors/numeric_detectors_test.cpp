// cost_anomaly, runaway_cost, output_degradation and resource_exhaustion.
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "brask/detectors/cost_anomaly.h"
#include "brask/detectors/output_degradation.h"
#include "brask/detectors/resource_exhaustion.h"
#include "brask/detectors/runaway_cost.h"
#include "detectors/detector_test_support.h"

namespace brask::detectors {
namespace {

using core::Severity;
using testing::records;
using testing::series;

struct Expected {
  Severity severity;
  double confidence;
  std::string description;
  std::string details;
};

void expect_one(const std::vector<core::DetectedIssue>& issues,
                const std::optional<Expected>& expected) {
  if (!expected) {
    EXPECT_TRUE(issues.empty());
    return;
  }
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].severity, expected->severity);
  EXPECT_NEAR(issues[0].confidence, expected->confidence, 1e-12);
  EXPECT_EQ(issues[0].description, expected->description);
  EXPECT_EQ(issues[0].details, expected->details);
}

TEST(CostAnomalyDetector, SpikeAgainstFirstFiveMean) {
  struct Row {
    std::vector<double> costs;
    std::optional<Expected> expected;
  };
  const Row rows[] = {
      {{1, 1, 1, 1, 1, 4},
       Expected{Severity::Warning, 1.0, "Cost spike: $4.0000 vs avg $1.0000",
                "Cost 4.0x baseline"}},
      {{1, 1, 1, 1, 1, 5},  // 5 is not above the fixed Error bound
       Expected{Severity::Warning, 1.0, "Cost spike: $5.0000 vs avg $1.0000",
                "Cost 5.0x baseline"}},
      {{1, 1, 1, 1, 1, 6},
       Expected{Severity::Error, 1.0, "Cost spike: $6.0000 vs avg $1.0000", "Cost 6.0x baseline"}},
      {{2, 2, 2, 2, 2, 1, 7},  // uncapped: (3.5 - 1) / 3
       Expected{Severity::Warning, 2.5 / 3.0, "Cost spike: $7.0000 vs avg $2.0000",
                "Cost 3.5x baseline"}},
      {{1, 1, 1, 1, 100},  // the latest is part of a five-value baseline
       Expected{Severity::Warning, 1.0, "Cost spike: $100.0000 vs avg $20.8000",
                "Cost 4.8x baseline"}},
      {{0.01, 0.02, 0.01, 0.02, 0.01, 0.12345},
       Expected{Severity::Error, 1.0, "Cost spike: $0.1235 vs avg $0.0140", "Cost 8.8x baseline"}},
      {{1, 1, 1, 1, 1, 3}, std::nullopt},  // not more than 3 × baseline
      {{0, 0, 0, 0, 0, 9}, std::nullopt},  // no baseline
      {{1, 1, 1, 9}, std::nullopt},
      {{1, 1, 1, 1, 1, 9, 1}, std::nullopt},  // only the last value is the latest
  };
  CostAnomalyDetector detector;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.costs));
    expect_one(detector.detect("a", series("cost_per_turn", row.costs)), row.expected);
  }
}

TEST(CostAnomalyDetector, PayloadAndSeriesMemberKinds) {
  CostAnomalyDetector detector;
  // Integers of either sign count as numbers; text, null and other members are skipped.
  const auto issues = detector.detect(
      "a",
      records({R"({"cost_per_turn":1})", R"({"cost_per_turn":"50"})", R"({"cost":50})",
               R"({"cost_per_turn":-1})", R"({"cost_per_turn":2.0})", R"({"cost_per_turn":null})",
               R"({"cost_per_turn":3})", R"({"cost_per_turn":5})", R"({"cost_per_turn":10})"}));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].category, core::IssueCategory(core::category::CostAnomaly{2.0, 10.0, 5.0}));
}

TEST(CostAnomalyDetector, ConfidenceStaysInRangeWithSmallMultiplier) {
  // A multiplier below 1 lets a falling cost through; its confidence must not go negative.
  CostAnomalyDetector detector(0.5);
  const auto issues = detector.detect("a", series("cost_per_turn", {1, 1, 1, 1, 1, 0.8}));
  ASSERT_EQ(issues.size(), 1u);
  EXPECT_EQ(issues[0].confidence, 0.0);
}

TEST(RunawayCostDetector, MeanSecondDifference) {
  struct Row {
    double threshold;
    std::vector<double> costs;
    std::optional<Expected> expected;
    double acceleration = 0.0;  // the payload, when reported
  };
  const Row rows[] = {
      {1.2, {1, 2, 4, 7, 11, 16}, std::nullopt},  // acceleration 1.0
      {1.2,
       {0, 1, 3, 6, 12, 24},
       Expected{Severity::Error, 1.0, "Runaway cost: accelerating at $2.7500/turn²",
                "Cost acceleration: 2.7500"},
       2.75},
      {1.2,
       {0, 0, 0, 0, 0, 6},  // 1.5: above the threshold, not above twice it
       Expected{Severity::Warning, 1.0, "Runaway cost: accelerating at $1.5000/turn²",
                "Cost acceleration: 1.5000"},
       1.5},
      {1.0, {1, 2, 4, 7, 11, 16}, std::nullopt},  // must be strictly above
      {1.2, {0, 1, 3, 6, 12}, std::nullopt},      // five values are never enough
      {0.5,
       {0, 0, 0, 0, 0, 0, 3},  // 3 / 5 = 0.6
       Expected{Severity::Warning, 1.0, "Runaway cost: accelerating at $0.6000/turn²",
                "Cost acceleration: 0.6000"},
       0.6},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.costs));
    RunawayCostDetector detector(row.threshold);
    const auto issues = detector.detect("a", series("cost_per_turn", row.costs));
    expect_one(issues, row.expected);
    if (row.expected) {
      EXPECT_NEAR(std::get<core::category::RunawayCost>(issues[0].category).acceleration,
                  row.acceleration, 1e-12);
    }
  }
}

TEST(OutputDegradationDetector, AverageFallOverLastThreeTurns) {
  struct Row {
    std::vector<double> scores;
    std::optional<Expected> expected;
  };
  const Row rows[] = {
      {{0.9, 0.9, 0.5, 0.2}, std::nullopt},  // 0.2333
      {{1.0, 0.6, 0.3, 0.0},
       Expected{Severity::Warning, 1.0, "Output quality declining (0.33/turn)",
                "Quality decline: 0.33/turn over 3 turns"}},
      {{0.0, 0.0, 1.0, 0.6, 0.3, 0.0},  // older scores are ignored
       Expected{Severity::Warning, 1.0, "Output quality declining (0.33/turn)",
                "Quality decline: 0.33/turn over 3 turns"}},
      {{3, 2, 1, 0},
       Expected{Severity::Error, 1.0, "Output quality declining (1.00/turn)",
                "Quality decline: 1.00/turn over 3 turns"}},
      {{1.0, 0.0, 0.0, 0.0, 0.0}, std::nullopt},
      {{0.0, 0.3, 0.6, 0.9}, std::nullopt},  // rising
      {{1.0, 0.0, 0.0}, std::nullopt},       // three scores are not enough
  };
  OutputDegradationDetector detector;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.scores));
    const auto issues = detector.detect("a", series("quality_score", row.scores));
    expect_one(issues, row.expected);
    if (row.expected) {
      const auto& payload = std::get<core::category::OutputDegradation>(issues[0].category);
      EXPECT_LT(payload.slope, 0.0);
      EXPECT_EQ(payload.window, 3u);
    }
  }
}

TEST(ResourceExhaustionDetector, LimitsPerResourceOnPercentScale) {
  struct Row {
    std::string_view json;
    std::optional<Expected> expected;
  };
  const Row rows[] = {
      {R"({"resource":"disk","usage_pct":80})", std::nullopt},
      {R"({"resource":"disk","usage_pct":85})",
       Expected{Severity::Warning, 1.0, "disk usage at 85%", "disk: 85%"}},
      {R"({"resource":"Disk","usage_pct":85})", std::nullopt},  // general limit
      {R"({"resource":"memory","usage_pct":90.0})", std::nullopt},
      {R"({"resource":"memory","usage_pct":92.4})",
       Expected{Severity::Warning, 1.0, "memory usage at 92%", "memory: 92%"}},
      {R"({"resource":"disk","usage_pct":95})",
       Expected{Severity::Warning, 1.0, "disk usage at 95%", "disk: 95%"}},
      {R"({"resource":"network","usage_pct":95.6})",
       Expected{Severity::Error, 1.0, "network usage at 96%", "network: 96%"}},
      {R"({"resource":"memory","usage_pct":130})",
       Expected{Severity::Error, 1.0, "memory usage at 130%", "memory: 130%"}},
      {R"({"usage_pct":99})", std::nullopt},
      {R"({"resource":"disk","usage_pct":"99"})", std::nullopt},
      {R"({"resource":7,"usage_pct":99})", std::nullopt},
  };
  ResourceExhaustionDetector detector;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.json);
    expect_one(detector.detect("a", records({row.json})), row.expected);
  }
}

TEST(ResourceExhaustionDetector, OneIssuePerRecordWithConfiguredLimits) {
  ResourceExhaustionDetector detector(50.0, 60.0);
  const auto issues = detector.detect(
      "a",
      records({R"({"resource":"memory","usage_pct":55})", R"({"resource":"disk","usage_pct":40})",
               R"({"resource":"gpu","usage_pct":61})", R"({"resource":"disk","usage_pct":55})"}));
  ASSERT_EQ(issues.size(), 2u);
  EXPECT_EQ(issues[0].category,
            core::IssueCategory(core::category::ResourceExhaustion{"gpu", 61.0}));
  EXPECT_EQ(issues[1].category,
            core::IssueCategory(core::category::ResourceExhaustion{"disk", 55.0}));
}

}  // namespace
}  // namespace brask::detectors
