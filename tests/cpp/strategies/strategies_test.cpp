#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "brask/core/text_form.h"
#include "brask/strategies/circuit_break.h"
#include "brask/strategies/compact.h"
#include "brask/strategies/degrade.h"
#include "brask/strategies/diversify.h"
#include "brask/strategies/escalate.h"
#include "brask/strategies/fork.h"
#include "brask/strategies/interject.h"
#include "brask/strategies/isolate.h"
#include "brask/strategies/nudge.h"
#include "brask/strategies/pause.h"
#include "brask/strategies/quarantine.h"
#include "brask/strategies/replace.h"
#include "brask/strategies/reroute.h"
#include "brask/strategies/rollback.h"

namespace brask::strategies {
namespace {

using core::Severity;
namespace cat = core::category;
namespace iv = core::intervention;

core::DetectedIssue make_issue(core::IssueCategory category, Severity severity, double confidence,
                               std::string description = "something is off") {
  return core::DetectedIssue{
      .id = core::Uuid::new_v4(),
      .agent_id = "agent-1",
      .category = std::move(category),
      .severity = severity,
      .confidence = confidence,
      .description = std::move(description),
      .details = "details",
      .suggested_strategies = {"circuit_break"},  // never read: must not sway anyone
  };
}

std::vector<core::StrategyPtr> all_strategies() {
  return {std::make_shared<NudgeStrategy>(),
          std::make_shared<DegradeStrategy>(),
          std::make_shared<ForkStrategy>(),
          std::make_shared<CompactStrategy>(CompactStrategy::kStandardTargetRatio),
          std::make_shared<DiversifyStrategy>(),
          std::make_shared<RerouteStrategy>(),
          std::make_shared<EscalateStrategy>(),
          std::make_shared<RollbackStrategy>(),
          std::make_shared<PauseStrategy>(),
          std::make_shared<InterjectStrategy>(),
          std::make_shared<QuarantineStrategy>(),
          std::make_shared<ReplaceStrategy>(),
          std::make_shared<IsolateStrategy>(),
          std::make_shared<CircuitBreakStrategy>()};
}

const std::set<std::string> kAcceptEverything = {"nudge",    "degrade",  "fork",      "reroute",
                                                 "escalate", "rollback", "interject", "replace"};

std::set<std::string> with_every_issue(std::initializer_list<std::string> extra) {
  auto out = kAcceptEverything;
  out.insert(extra.begin(), extra.end());
  return out;
}

struct AcceptanceRow {
  std::string label;
  core::IssueCategory category;
  Severity severity;
  double confidence;
  std::set<std::string> accepted;
};

TEST(Strategies, WhoAcceptsWhichIssue) {
  const std::vector<AcceptanceRow> rows = {
      {"critical secret leak", cat::SecretLeak{"aws key"}, Severity::Critical, 1.0,
       with_every_issue({"pause", "quarantine", "isolate", "circuit_break"})},
      {"warning loop just under pause", cat::Loop{"read_file", 5, 4}, Severity::Warning, 0.89,
       kAcceptEverything},
      {"error prompt injection", cat::PromptInjection{"ignore previous"}, Severity::Error, 0.5,
       with_every_issue({"isolate"})},
      {"info compliance gap, confident", cat::ComplianceGap{"no audit"}, Severity::Info, 0.95,
       with_every_issue({"pause", "quarantine"})},
      {"critical compliance gap, unsure", cat::ComplianceGap{"no audit"}, Severity::Critical, 0.2,
       with_every_issue({"pause", "quarantine", "isolate", "circuit_break"})},
      {"critical loop is no circuit break", cat::Loop{"x", 1, 1}, Severity::Critical, 0.1,
       with_every_issue({"pause", "isolate"})},
      {"error secret leak is no circuit break", cat::SecretLeak{"token"}, Severity::Error, 0.3,
       with_every_issue({"quarantine", "isolate"})},
      {"stale context", cat::StaleContext{"a.rs", 0.0, 3}, Severity::Warning, 0.5,
       with_every_issue({"compact"})},
      {"variety collapse at the pause boundary", cat::VarietyCollapse{0.93, 4}, Severity::Info, 0.9,
       with_every_issue({"diversify", "pause"})},
  };
  const auto strategies = all_strategies();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    const auto issue = make_issue(row.category, row.severity, row.confidence);
    std::set<std::string> accepted;
    for (const auto& strategy : strategies) {
      const auto result = strategy->evaluate(issue);
      if (!result) continue;
      accepted.insert(result->strategy_name);
      EXPECT_EQ(result->strategy_name, strategy->name());
      EXPECT_EQ(result->priority, strategy->priority());
    }
    EXPECT_EQ(accepted, row.accepted);
  }
}

TEST(Strategies, PrioritiesRankInCatalogueOrder) {
  // The catalogue lists strategies from lowest to highest priority; compact and diversify tie.
  std::vector<std::pair<std::string, std::uint32_t>> ranked;
  for (const auto& strategy : all_strategies()) {
    ranked.emplace_back(std::string(strategy->name()), strategy->priority());
  }
  const std::vector<std::pair<std::string, std::uint32_t>> expected = {
      {"nudge", 10},     {"degrade", 15},       {"fork", 18},       {"compact", 20},
      {"diversify", 20}, {"reroute", 22},       {"escalate", 25},   {"rollback", 28},
      {"pause", 30},     {"interject", 35},     {"quarantine", 40}, {"replace", 45},
      {"isolate", 50},   {"circuit_break", 100}};
  EXPECT_EQ(ranked, expected);
}

struct ProposalRow {
  core::StrategyPtr strategy;
  core::IssueCategory category;
  Severity severity;
  core::Intervention intervention;
  std::string reasoning;
  double confidence;  // for an issue of confidence 0.5
};

TEST(Strategies, ProposalTextsAndConfidences) {
  const std::string d = "Agent looped on 'grep'";
  const std::vector<ProposalRow> rows = {
      {std::make_shared<DegradeStrategy>(), cat::GoalDrift{0.2}, Severity::Warning,
       iv::Degrade{core::DegradeLevel::Mild}, "Degrading to reduce cost: " + d, 0.5},
      {std::make_shared<ForkStrategy>(), cat::GoalDrift{0.2}, Severity::Warning,
       iv::Fork{2, {"implement", "verify"}}, "Forking for parallel execution: " + d, 0.35},
      {std::make_shared<DiversifyStrategy>(), cat::VarietyCollapse{0.95, 3}, Severity::Warning,
       iv::Diversify{"Try a completely different approach. MVP-first \u2192 Risk-first \u2192 "
                     "User-first"},
       "Forcing diverse strategies: " + d, 0.5},
      {std::make_shared<RerouteStrategy>(), cat::Deadlock{{"a", "b"}, 61}, Severity::Error,
       iv::Reroute{"verify", d}, "Rerouting agent: " + d, 0.5},
      {std::make_shared<EscalateStrategy>(), cat::Loop{"grep", 4, 4}, Severity::Warning,
       iv::Escalate{"claude-sonnet-4-6", 50000, d}, "Escalating resources for: " + d, 0.5},
      {std::make_shared<EscalateStrategy>(),
       cat::ModelMismatch{"complex", "claude-haiku", "claude-opus-4-8"}, Severity::Warning,
       iv::Escalate{"claude-opus-4-8", 50000, d}, "Escalating resources for: " + d, 0.5},
      {std::make_shared<InterjectStrategy>(), cat::Loop{"grep", 4, 4}, Severity::Warning,
       iv::Interject{"STOP. The harness detected: " + d + ". Change your approach immediately.", d},
       "Strong interjection for: " + d, 0.5},
      {std::make_shared<QuarantineStrategy>(), cat::SecretLeak{"aws"}, Severity::Info,
       iv::Quarantine{d}, "Quarantining output: " + d, 0.5},
      {std::make_shared<ReplaceStrategy>(), cat::Loop{"grep", 4, 4}, Severity::Warning,
       iv::Replace{"Previous agent failed: " + d, "claude-opus-4-8"},
       "Replacing failed agent: " + d, 0.425},
      {std::make_shared<IsolateStrategy>(), cat::PromptInjection{"p"}, Severity::Error,
       iv::Isolate{core::IsolationLevel::ToolRestrict, d}, "Isolating agent: " + d, 0.5},
      {std::make_shared<IsolateStrategy>(), cat::PromptInjection{"p"}, Severity::Critical,
       iv::Isolate{core::IsolationLevel::FullSandbox, d}, "Isolating agent: " + d, 0.5},
      {std::make_shared<CircuitBreakStrategy>(), cat::SecretLeak{"aws"}, Severity::Critical,
       iv::CircuitBreak{"Critical issue detected: " + d + " (confidence: 50%)"},
       "Emergency stop triggered by Critical severity " + d + " issue", 0.5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.strategy->name()) + " on " +
                 std::string(core::category_name(row.category)));
    const auto result = row.strategy->evaluate(make_issue(row.category, row.severity, 0.5, d));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->intervention, row.intervention) << core::to_text(result->intervention);
    EXPECT_EQ(result->reasoning, row.reasoning);
    EXPECT_DOUBLE_EQ(result->confidence, row.confidence);
  }
}

TEST(Strategies, NudgePicksItsNoteByCategory) {
  const std::string d = "the description";
  struct Row {
    core::IssueCategory category;
    std::string note;
  };
  const std::vector<Row> rows = {
      {cat::Loop{"read_file", 4, 4},
       "Note: You've called 'read_file' multiple times without progress. Consider trying a "
       "different approach or proceeding with what you've already found."},
      // Pressure issues carry the file "n/a", and the note names it as is.
      {cat::StaleContext{"n/a", 0.9, 0},
       "Note: 'n/a' is already in your context. You don't need to re-read it. Proceed with the "
       "information you already have."},
      {cat::AccuracyRisk{{"untested"}},
       "Note: You've generated code but haven't run the tests yet. Run the tests before "
       "proceeding to the next step."},
      {cat::CostAnomaly{1.0, 4.0, 4.0},
       "Note: The harness detected: the description. Consider adjusting your approach."},
  };
  NudgeStrategy nudge;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(core::category_name(row.category)));
    const auto result = nudge.evaluate(make_issue(row.category, Severity::Warning, 0.5, d));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->intervention, core::Intervention(iv::Nudge{row.note, d}));
    EXPECT_EQ(result->reasoning, "Injecting gentle hint for issue: " + d);
    EXPECT_DOUBLE_EQ(result->confidence, 0.4);
  }
}

TEST(Strategies, CompactLayerBoundariesAreStrict) {
  struct Row {
    double pressure;
    core::CompressionLayer layer;
    std::string reasoning;
  };
  const std::vector<Row> rows = {
      {0.0, core::CompressionLayer::Budget,
       "Context pressure at 0%, applying Budget compaction to reach 60%"},
      {0.7, core::CompressionLayer::Budget,
       "Context pressure at 70%, applying Budget compaction to reach 60%"},
      {0.71, core::CompressionLayer::Snip,
       "Context pressure at 71%, applying Snip compaction to reach 60%"},
      {0.85, core::CompressionLayer::Snip,
       "Context pressure at 85%, applying Snip compaction to reach 60%"},
      {0.9, core::CompressionLayer::Microcompact,
       "Context pressure at 90%, applying Microcompact compaction to reach 60%"},
      {0.95, core::CompressionLayer::Microcompact,
       "Context pressure at 95%, applying Microcompact compaction to reach 60%"},
      {0.97, core::CompressionLayer::Autocompact,
       "Context pressure at 97%, applying Autocompact compaction to reach 60%"},
  };
  CompactStrategy compact(CompactStrategy::kStandardTargetRatio);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pressure);
    const auto result = compact.evaluate(
        make_issue(cat::StaleContext{"n/a", row.pressure, 0}, Severity::Info, 0.6));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->intervention, core::Intervention(iv::Compact{0.6, row.layer}));
    EXPECT_EQ(result->reasoning, row.reasoning);
    EXPECT_DOUBLE_EQ(result->confidence, 0.6);
  }
}

TEST(Strategies, CompactUsesItsOwnTargetRatio) {
  CompactStrategy compact(0.25);
  const auto result =
      compact.evaluate(make_issue(cat::StaleContext{"a.txt", 0.0, 5}, Severity::Warning, 1.0));
  ASSERT_TRUE(result.has_value());
  EXPECT_EQ(result->intervention,
            core::Intervention(iv::Compact{0.25, core::CompressionLayer::Budget}));
  EXPECT_EQ(result->reasoning, "Context pressure at 0%, applying Budget compaction to reach 25%");
}

TEST(Strategies, CircuitBreakShowsConfidenceAsWholePercent) {
  CircuitBreakStrategy breaker;
  struct Row {
    double confidence;
    std::string figure;
  };
  for (const auto& row : std::vector<Row>{{1.0, "100%"}, {0.876, "88%"}, {0.0, "0%"}}) {
    const auto result = breaker.evaluate(
        make_issue(cat::ComplianceGap{"gdpr"}, Severity::Critical, row.confidence, "Gap"));
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->intervention,
              core::Intervention(iv::CircuitBreak{
                  "Critical issue detected: Gap (confidence: " + row.figure + ")"}));
  }
}

TEST(Strategies, PauseAndRollbackMakeFreshCheckpoints) {
  PauseStrategy pause;
  RollbackStrategy rollback;
  const auto issue = make_issue(cat::SecretLeak{"k"}, Severity::Critical, 0.7, "Leak");

  auto checkpoint_of = [](const core::StrategyResult& result) {
    if (const auto* p = std::get_if<iv::Pause>(&result.intervention)) return p->checkpoint_id;
    return std::get<iv::Rollback>(result.intervention).checkpoint_id;
  };
  for (core::Strategy* strategy :
       {static_cast<core::Strategy*>(&pause), static_cast<core::Strategy*>(&rollback)}) {
    SCOPED_TRACE(std::string(strategy->name()));
    const auto first = strategy->evaluate(issue);
    const auto second = strategy->evaluate(issue);
    ASSERT_TRUE(first && second);
    const auto id = checkpoint_of(*first);
    EXPECT_FALSE(id.is_nil());
    EXPECT_EQ(id.bytes()[6] >> 4, 4);  // version 4
    EXPECT_NE(id, checkpoint_of(*second));
    EXPECT_DOUBLE_EQ(first->confidence, 0.7);
  }

  const auto paused = pause.evaluate(issue);
  const auto& p = std::get<iv::Pause>(paused->intervention);
  EXPECT_EQ(p.reason, "Leak");
  EXPECT_EQ(paused->reasoning, "Pausing for human review: Leak");
  const auto rolled = rollback.evaluate(issue);
  EXPECT_EQ(std::get<iv::Rollback>(rolled->intervention).reason, "Leak");
  EXPECT_EQ(rolled->reasoning, "Rolling back: Leak");
}

}  // namespace
}  // namespace brask::strategies
