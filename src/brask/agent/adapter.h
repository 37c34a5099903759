#pragma once

#include <memory>
#include <string>

#include <boost/asio/awaitable.hpp>

#include "brask/agent/agent_type.h"
#include "brask/async/bounded_channel.h"
#include "brask/core/error.h"
#include "brask/core/events.h"
#include "brask/core/records.h"

namespace brask::agent {

using EventSender = async::Sender<core::AgentEvent>;
using InterventionReceiver = async::Receiver<core::Intervention>;

// Connects the harness to one agent. Used through a shared handle from any worker thread.
class AgentAdapter {
 public:
  virtual ~AgentAdapter() = default;

  virtual std::string id() const = 0;
  virtual AgentType agent_type() const = 0;

  // Runs the agent on `task`, reporting each thing it does on `events` (waiting for room when the
  // channel is full; a send that fails because the receiver is gone is ignored) and reading
  // `interventions` as it can. Both ends belong to the run and are dropped when it returns.
  virtual boost::asio::awaitable<core::Result<core::AgentOutcome>> run(
      std::string task, EventSender events, InterventionReceiver interventions) = 0;
};

using AdapterPtr = std::shared_ptr<AgentAdapter>;

}  // namespace brask::agent
