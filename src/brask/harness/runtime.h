#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/awaitable.hpp>
#include <nlohmann/json.hpp>

#include "brask/agent/adapter.h"
#include "brask/async/bounded_channel.h"
#include "brask/async/watch.h"
#include "brask/core/error.h"
#include "brask/harness/pipeline.h"
#include "brask/harness/plugin_registry.h"

namespace brask::harness {

struct RuntimeConfig {
  // A fresh random UUID when absent.
  std::optional<std::string> session_id;
  bool dry_run = false;
};

// The reduced result handed to callers.
struct HarnessResult {
  std::string agent_id;
  std::uint64_t observation_count = 0;
  std::uint64_t detection_count = 0;
  std::uint64_t intervention_count = 0;
  bool success = false;

  // {"agent_id", "detection_count", "intervention_count", "observation_count", "success"}
  nlohmann::json to_json() const;
  bool operator==(const HarnessResult&) const = default;
};

struct SessionResult {
  std::string session_id;
  std::string agent_id;
  core::AgentOutcome outcome;
  std::uint64_t observation_count = 0;  // cycles run
  std::uint64_t detection_count = 0;
  std::uint64_t intervention_count = 0;  // cycles that chose an intervention
  std::uint64_t avg_cycle_us = 0;
  std::uint32_t events_processed = 0;  // events counted towards cycles
  agent::AgentType agent_type = agent::AgentType{};

  HarnessResult into_harness_result() &&;
};

// Runs one supervised session: the agent's run and the processing of its events go on side by
// side, so interventions reach the agent while it works. Each event is fed to the pipeline;
// `completed` and `failed` are not counted; a cycle runs on every third counted event and on every
// `tool_call_end`, and its interventions are offered to the agent without waiting (dropped when
// they do not fit); a final cycle follows the last event.
class Runtime {
 public:
  static constexpr std::size_t kEventCapacity = 1024;
  static constexpr std::size_t kInterventionCapacity = 64;

  Runtime(std::shared_ptr<const PluginRegistry> registry, RuntimeConfig config);
  Runtime(PluginRegistry registry, RuntimeConfig config);
  // For callers that built the pipeline themselves (with a broadcaster, say).
  Runtime(Pipeline pipeline, std::optional<std::string> session_id);

  // Every processed event is broadcast here (forwarded to the pipeline).
  Runtime with_event_broadcaster(EventBroadcaster broadcaster) &&;
  // Called with every processed event, before the event enters the history.
  Runtime with_subscriber(EventObserverPtr subscriber) &&;
  // Interventions from outside (an API, a person) forwarded to the agent while the run lasts.
  Runtime with_intervention_source(async::Receiver<core::Intervention> source) &&;
  // When it turns true, the runtime stops feeding, cancels the agent's run and returns what it
  // has: the figures so far and an unsuccessful outcome.
  Runtime with_cancel_signal(async::Watch<bool> cancel) &&;

  const std::string& session_id() const { return session_id_; }
  const Pipeline& pipeline() const { return pipeline_; }

  // Consumes the runtime. An adapter error is returned unchanged.
  boost::asio::awaitable<core::Result<SessionResult>> run(std::string task,
                                                          agent::AdapterPtr adapter) &&;

 private:
  static boost::asio::awaitable<core::Result<SessionResult>> run_session(Runtime self,
                                                                         std::string task,
                                                                         agent::AdapterPtr adapter);

  std::string session_id_;
  Pipeline pipeline_;
  std::optional<async::Receiver<core::Intervention>> intervention_source_;
  std::optional<async::Watch<bool>> cancel_;
};

// The outcome of a cancelled run.
core::AgentOutcome cancelled_outcome();

// Builds a runtime for `registry`, runs `task` with `adapter` and reduces the result.
boost::asio::awaitable<core::Result<HarnessResult>> run_with_registry(
    std::shared_ptr<const PluginRegistry> registry, RuntimeConfig config, std::string task,
    agent::AdapterPtr adapter);
boost::asio::awaitable<core::Result<HarnessResult>> run_with_registry(PluginRegistry registry,
                                                                      RuntimeConfig config,
                                                                      std::string task,
                                                                      agent::AdapterPtr adapter);

}  // namespace brask::harness
