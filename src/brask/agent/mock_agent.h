#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "brask/agent/adapter.h"

namespace brask::agent {

// A scripted stand-in for an agent: for N turns it sends `started`, four events per turn
// (thinking, a "mock_search" tool call and its result, end of thinking) and `completed`, 4 N + 2
// events in all, and never fails. It holds its intervention channel without reading it.
class MockAgent : public AgentAdapter {
 public:
  MockAgent(std::string id, std::uint32_t turns, bool success = true,
            AgentType agent_type = AgentType{})
      : id_(std::move(id)), turns_(turns), success_(success), agent_type_(agent_type) {}

  // Paces the script: waits this long (on a timer, not blocking the thread) before each event.
  MockAgent& with_event_interval(std::chrono::milliseconds interval) {
    event_interval_ = interval;
    return *this;
  }

  std::string id() const override { return id_; }
  AgentType agent_type() const override { return agent_type_; }
  std::uint32_t turns() const { return turns_; }
  bool success() const { return success_; }
  std::chrono::milliseconds event_interval() const { return event_interval_; }

  boost::asio::awaitable<core::Result<core::AgentOutcome>> run(
      std::string task, EventSender events, InterventionReceiver interventions) override;

 private:
  // Event `index` of the script (0 is `started`, the last is `completed`).
  core::AgentEvent script_event(std::uint64_t index, const std::string& task) const;

  std::string id_;
  std::uint32_t turns_;
  bool success_;
  AgentType agent_type_;
  std::chrono::milliseconds event_interval_{0};
};

}  // namespace brask::agent
