#include "brask/harness/runtime.h"

#include <exception>
#include <utility>

#include <boost/asio/experimental/awaitable_operators.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

#include "brask/core/uuid.h"

namespace brask::harness {
namespace {

namespace asio = boost::asio;
using namespace asio::experimental::awaitable_operators;

using EventReceiver = async::Receiver<core::AgentEvent>;
using InterventionSender = async::Sender<core::Intervention>;

constexpr std::string_view kCancelledSummary = "Session cancelled";
constexpr std::string_view kUnknownFailure = "unknown exception";

// Counted events between periodic cycles.
constexpr std::uint32_t kCycleEvery = 3;

core::BraskError error_from(std::exception_ptr error) {
  try {
    std::rethrow_exception(std::move(error));
  } catch (const std::exception& e) {
    return core::BraskError::internal(e.what());
  } catch (...) {
    return core::BraskError::internal(std::string(kUnknownFailure));
  }
}

// The agent's side: its run, then the end of its events. An agent may leave copies of its sender
// behind in tasks of its own; the drain must not wait for those.
asio::awaitable<void> run_agent(agent::AdapterPtr adapter, std::string task,
                                agent::EventSender events,
                                agent::InterventionReceiver interventions,
                                const EventReceiver& drain_side,
                                std::optional<core::Result<core::AgentOutcome>>& outcome) {
  try {
    auto result =
        co_await adapter->run(std::move(task), std::move(events), std::move(interventions));
    outcome = std::move(result);
  } catch (...) {
    outcome = std::unexpected(error_from(std::current_exception()));
  }
  drain_side.close();
}

// The pipeline's side: every event in channel order, cycles at the fixed points.
asio::awaitable<void> drain(Pipeline& pipeline, const EventReceiver& events,
                            const InterventionSender& to_agent, const std::string& agent_id,
                            std::uint32_t& counter) {
  for (;;) {
    // A buffered event is taken at once; only an empty channel needs the suspending receive.
    std::optional<core::AgentEvent> next = events.try_receive();
    if (!next) {
      std::optional<core::AgentEvent> waited = co_await events.receive();
      if (!waited) break;
      next = std::move(waited);
    }
    const core::SharedEvent event = std::make_shared<const core::AgentEvent>(std::move(*next));
    pipeline.feed(event);
    const auto kind = event->kind();
    if (kind == core::EventKind::Completed || kind == core::EventKind::Failed) continue;
    ++counter;
    if (counter % kCycleEvery != 0 && kind != core::EventKind::ToolCallEnd) continue;
    for (auto& intervention : pipeline.cycle(agent_id)) {
      // Never waits: one that does not fit, or finds the agent gone, is dropped.
      (void)to_agent.try_send(std::move(intervention));
    }
  }
}

// Runs until cancelled.
asio::awaitable<void> forever() {
  asio::steady_timer timer(co_await asio::this_coro::executor,
                           asio::steady_timer::time_point::max());
  co_await timer.async_wait(asio::use_awaitable);
}

// Passes outside interventions on to the agent, waiting for room so none is lost while the agent
// holds its channel. Runs until cancelled, also after the source has closed.
asio::awaitable<void> forward(async::Receiver<core::Intervention>& source,
                              const InterventionSender& to_agent) {
  for (;;) {
    std::optional<core::Intervention> next = co_await source.receive();
    if (!next) break;
    const auto status = co_await to_agent.send(std::move(*next));
    if (status == async::SendStatus::closed) break;  // the agent let go of its channel
  }
  co_await forever();
}

asio::awaitable<void> await_cancel(const async::Watch<bool>& cancel, bool& cancelled) {
  co_await cancel.wait_until([](bool value) { return value; });
  cancelled = true;
}

// What runs beside the session's work and ends it early: the cancel signal (if any) while
// forwarding outside interventions (if any).
asio::awaitable<void> beside(std::optional<async::Receiver<core::Intervention>>& source,
                             const std::optional<async::Watch<bool>>& cancel,
                             const InterventionSender& to_agent, bool& cancelled) {
  if (source && cancel) {
    auto either = forward(*source, to_agent) || await_cancel(*cancel, cancelled);
    co_await std::move(either);
  } else if (source) {
    co_await forward(*source, to_agent);
  } else {
    co_await await_cancel(*cancel, cancelled);
  }
}

// Catches what escapes the session's work so that the group around it always completes.
asio::awaitable<void> guarded(asio::awaitable<void> work, std::exception_ptr& error) {
  try {
    co_await std::move(work);
  } catch (...) {
    error = std::current_exception();
  }
}

}  // namespace

nlohmann::json HarnessResult::to_json() const {
  return {{"agent_id", agent_id},
          {"observation_count", observation_count},
          {"detection_count", detection_count},
          {"intervention_count", intervention_count},
          {"success", success}};
}

HarnessResult SessionResult::into_harness_result() && {
  return {std::move(agent_id), observation_count, detection_count, intervention_count,
          outcome.success};
}

core::AgentOutcome cancelled_outcome() {
  return {std::string(kCancelledSummary), std::nullopt, false};
}

Runtime::Runtime(std::shared_ptr<const PluginRegistry> registry, RuntimeConfig config)
    : Runtime(Pipeline(std::move(registry), config.dry_run), std::move(config.session_id)) {}

Runtime::Runtime(PluginRegistry registry, RuntimeConfig config)
    : Runtime(std::make_shared<const PluginRegistry>(std::move(registry)), std::move(config)) {}

Runtime::Runtime(Pipeline pipeline, std::optional<std::string> session_id)
    : session_id_(session_id ? std::move(*session_id) : core::new_uuid_text()),
      pipeline_(std::move(pipeline)) {}

Runtime Runtime::with_event_broadcaster(EventBroadcaster broadcaster) && {
  pipeline_ = std::move(pipeline_).with_event_broadcaster(std::move(broadcaster));
  return std::move(*this);
}

Runtime Runtime::with_subscriber(EventObserverPtr subscriber) && {
  pipeline_.subscribe(std::move(subscriber));
  return std::move(*this);
}

Runtime Runtime::with_intervention_source(async::Receiver<core::Intervention> source) && {
  intervention_source_ = std::move(source);
  return std::move(*this);
}

Runtime Runtime::with_cancel_signal(async::Watch<bool> cancel) && {
  cancel_ = std::move(cancel);
  return std::move(*this);
}

asio::awaitable<core::Result<SessionResult>> Runtime::run(std::string task,
                                                          agent::AdapterPtr adapter) && {
  // The runtime moves into the coroutine's frame: nothing refers back to `*this` once suspended.
  return run_session(std::move(*this), std::move(task), std::move(adapter));
}

asio::awaitable<core::Result<SessionResult>> Runtime::run_session(Runtime self, std::string task,
                                                                  agent::AdapterPtr adapter) {
  const std::string agent_id = adapter->id();
  const agent::AgentType agent_type = adapter->agent_type();

  auto [events_tx, events_rx] = async::make_bounded_channel<core::AgentEvent>(kEventCapacity);
  auto [interventions_tx, interventions_rx] =
      async::make_bounded_channel<core::Intervention>(kInterventionCapacity);

  // The runtime announces the session itself; an agent that does too adds a second `started`.
  const core::AgentEvent started = core::event::Started{agent_id, task, core::utc_now()};
  self.pipeline_.feed(started);

  std::optional<core::Result<core::AgentOutcome>> outcome;
  std::uint32_t counter = 0;
  bool cancelled = false;
  std::exception_ptr failure;

  auto work = run_agent(adapter, task, std::move(events_tx), std::move(interventions_rx), events_rx,
                        outcome) &&
              drain(self.pipeline_, events_rx, interventions_tx, agent_id, counter);
  if (!self.intervention_source_ && !self.cancel_) {
    auto guarded_work = guarded(std::move(work), failure);
    co_await std::move(guarded_work);
  } else {
    auto until_done = guarded(std::move(work), failure) ||
                      beside(self.intervention_source_, self.cancel_, interventions_tx, cancelled);
    co_await std::move(until_done);
  }
  // Both channels close here: the agent's run has returned and nothing more is offered.
  events_rx.close();
  interventions_tx.reset();

  if (cancelled) {
    outcome = cancelled_outcome();
  } else if (failure) {
    co_return std::unexpected(error_from(failure));
  } else if (!outcome->has_value()) {
    co_return std::unexpected(outcome->error());
  } else {
    (void)self.pipeline_.cycle(agent_id);  // its interventions go nowhere
  }

  const auto stats = self.pipeline_.stats();
  co_return SessionResult{self.session_id_,   agent_id,         std::move(**outcome),
                          stats.cycles,       stats.detections, stats.interventions,
                          stats.avg_cycle_us, counter,          agent_type};
}

asio::awaitable<core::Result<HarnessResult>> run_with_registry(
    std::shared_ptr<const PluginRegistry> registry, RuntimeConfig config, std::string task,
    agent::AdapterPtr adapter) {
  Runtime runtime(std::move(registry), std::move(config));
  auto result = co_await std::move(runtime).run(std::move(task), std::move(adapter));
  if (!result) co_return std::unexpected(std::move(result.error()));
  co_return std::move(*result).into_harness_result();
}

asio::awaitable<core::Result<HarnessResult>> run_with_registry(PluginRegistry registry,
                                                               RuntimeConfig config,
                                                               std::string task,
                                                               agent::AdapterPtr adapter) {
  return run_with_registry(std::make_shared<const PluginRegistry>(std::move(registry)),
                           std::move(config), std::move(task), std::move(adapter));
}

}  // namespace brask::harness
