#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "brask/core/error.h"
#include "brask/core/events.h"
#include "brask/core/observation.h"
#include "brask/core/records.h"

namespace brask::core {

// The plugin contracts. Plugin operations never suspend and never fail: they are plain virtual
// functions, called from any worker thread. A plugin that keeps figures guards each one itself.

class Observer {
 public:
  virtual ~Observer() = default;
  // The registry key ("token").
  virtual std::string_view name() const = 0;
  // The health dimension it scores ("token_efficiency").
  virtual std::string_view dimension() const = 0;
  // The observation for this event, or nothing when the event says nothing about the dimension.
  virtual std::optional<Observation> observe(const AgentEvent& event) = 0;
};

class Detector {
 public:
  virtual ~Detector() = default;
  virtual std::string_view name() const = 0;
  // One sentence for catalogues.
  virtual std::string_view description() const = 0;
  // The issues found in this cycle's observations (in production order); empty when all is well.
  virtual std::vector<DetectedIssue> detect(std::string_view agent_id,
                                            std::span<const Observation> observations) = 0;
};

class Strategy {
 public:
  virtual ~Strategy() = default;
  virtual std::string_view name() const = 0;
  // Higher is consulted first.
  virtual std::uint32_t priority() const = 0;
  // A proposal for this issue, or nothing when the strategy does not apply.
  virtual std::optional<StrategyResult> evaluate(const DetectedIssue& issue) = 0;
};

class AuditStore {
 public:
  virtual ~AuditStore() = default;
  virtual Result<void> record(const AuditEvent& event) = 0;
};

using ObserverPtr = std::shared_ptr<Observer>;
using DetectorPtr = std::shared_ptr<Detector>;
using StrategyPtr = std::shared_ptr<Strategy>;
using AuditStorePtr = std::shared_ptr<AuditStore>;

}  // namespace brask::core
