#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "brask/core/contracts.h"
#include "brask/harness/plugin_registry.h"

namespace brask::testing {

// Counts the events it is shown and answers each with an observation carrying its call number
// (or, when `silent`, with nothing).
class CountingObserver : public core::Observer {
 public:
  explicit CountingObserver(std::string name = "counting", std::string dimension = "counting",
                            bool silent = false)
      : name_(std::move(name)), dimension_(core::intern_key(dimension)), silent_(silent) {}
  std::string_view name() const override { return name_; }
  std::string_view dimension() const override { return dimension_; }
  std::optional<core::Observation> observe(const core::AgentEvent&) override {
    const auto n = ++calls_;
    if (silent_) return std::nullopt;
    return core::Observation(dimension_).set_count("n", n);
  }
  std::uint64_t calls() const { return calls_; }

 private:
  std::string name_;
  std::string_view dimension_;  // interned: records keep a view of it
  bool silent_;
  std::atomic<std::uint64_t> calls_{0};
};

// Reports the issues its script gives for each call and remembers what it was shown.
class ScriptedDetector : public core::Detector {
 public:
  using Script = std::function<std::vector<core::DetectedIssue>(std::size_t observations)>;
  explicit ScriptedDetector(std::string name, Script script = {})
      : name_(std::move(name)), script_(std::move(script)) {}
  std::string_view name() const override { return name_; }
  std::string_view description() const override { return "scripted"; }
  std::vector<core::DetectedIssue> detect(
      std::string_view agent_id, std::span<const core::Observation> observations) override {
    std::lock_guard lock(mutex_);
    seen_.push_back({std::string(agent_id), observations.size()});
    return script_ ? script_(observations.size()) : std::vector<core::DetectedIssue>{};
  }
  std::vector<std::pair<std::string, std::size_t>> seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
  }

 private:
  std::string name_;
  Script script_;
  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, std::size_t>> seen_;
};

// Proposes `intervention` for issues of the categories it takes (all when `takes` is empty).
class ScriptedStrategy : public core::Strategy {
 public:
  ScriptedStrategy(std::string name, std::uint32_t priority,
                   std::optional<core::Intervention> intervention,
                   std::vector<std::string_view> takes = {})
      : name_(std::move(name)),
        priority_(priority),
        intervention_(std::move(intervention)),
        takes_(std::move(takes)) {}
  std::string_view name() const override { return name_; }
  std::uint32_t priority() const override { return priority_; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override {
    ++calls_;
    if (!intervention_) return std::nullopt;
    if (!takes_.empty() && std::find(takes_.begin(), takes_.end(),
                                     core::category_name(issue.category)) == takes_.end()) {
      return std::nullopt;
    }
    return core::StrategyResult{name_, *intervention_, priority_, "because", 0.5};
  }
  std::uint64_t calls() const { return calls_; }

 private:
  std::string name_;
  std::uint32_t priority_;
  std::optional<core::Intervention> intervention_;
  std::vector<std::string_view> takes_;
  std::atomic<std::uint64_t> calls_{0};
};

inline core::DetectedIssue issue_of(core::IssueCategory category,
                                    core::Severity severity = core::Severity::Warning,
                                    double confidence = 0.75) {
  core::DetectedIssue issue;
  issue.id = core::Uuid::new_v4();
  issue.agent_id = "agent";
  issue.category = std::move(category);
  issue.severity = severity;
  issue.confidence = confidence;
  issue.description = "found";
  return issue;
}

inline core::Intervention nudge(std::string message) {
  return core::intervention::Nudge{std::move(message), "test"};
}

}  // namespace brask::testing
