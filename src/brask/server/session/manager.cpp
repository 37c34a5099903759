#include "brask/server/session/manager.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/strand.hpp>

#include "brask/agent/mock_agent.h"
#include "brask/core/log.h"
#include "brask/harness/factory.h"
#include "brask/server/session/names.h"
#include "brask/server/texts.h"

namespace brask::server::session {
namespace {

namespace asio = boost::asio;

// Keeps every event the pipeline processes in the session's record.
class EventRecorder final : public harness::EventObserver {
 public:
  explicit EventRecorder(std::shared_ptr<EventLog> log) : log_(std::move(log)) {}
  void on_event(const core::SharedEvent& event) override { log_->append(event); }

 private:
  std::shared_ptr<EventLog> log_;
};

// Tells the creating request that the run has begun, also when it ends early.
struct RunningSignal {
  std::optional<async::Watch<bool>> watch;
  void fire() {
    if (watch) watch->set(true);
    watch.reset();
  }
  ~RunningSignal() { fire(); }
};

}  // namespace

asio::any_io_executor run_executor(const asio::any_io_executor& current) {
  auto& context = asio::query(current, asio::execution::context);
  return asio::make_strand(static_cast<asio::io_context&>(context).get_executor());
}

asio::awaitable<void> spawn_session(SessionStore store, std::string id, std::string task,
                                    std::string agent_type, std::string preset,
                                    SpawnOptions options) {
  RunningSignal running{std::move(options.running)};
  const auto type = parse_agent_type(agent_type);
  const auto bundle = parse_preset(preset);

  auto agent = std::make_shared<agent::MockAgent>(id, options.turns, true, type);
  agent->with_event_interval(options.event_interval);
  auto registry =
      std::make_shared<const harness::PluginRegistry>(harness::build_registry_from_preset(bundle));

  harness::Pipeline pipeline(registry, /*dry_run=*/false);
  std::shared_ptr<EventLog> events;
  {
    auto sessions = co_await store->lock_shared();
    const auto found = sessions->find(id);
    if (found != sessions->end()) {
      pipeline = std::move(pipeline).with_event_broadcaster(found->second.event_sender);
      events = found->second.events;
    }
  }
  harness::Runtime runtime(std::move(pipeline), id);
  if (events) runtime = std::move(runtime).with_subscriber(std::make_shared<EventRecorder>(events));
  if (options.ends.interventions) {
    runtime = std::move(runtime).with_intervention_source(std::move(*options.ends.interventions));
  }
  if (options.ends.cancel) runtime = std::move(runtime).with_cancel_signal(*options.ends.cancel);

  {
    auto sessions = co_await store->lock();
    const auto found = sessions->find(id);
    if (found != sessions->end()) found->second.status = SessionStatus::Running;
  }
  running.fire();

  const auto log = core::logger(core::kLogSessionManager);
  log->info("{} session_id={} task={} agent_type={} preset={}", texts::kLogSessionStarting, id,
            task, agent_type, preset);

  auto outcome = co_await std::move(runtime).run(task, agent);

  {
    auto sessions = co_await store->lock();
    const auto found = sessions->find(id);
    if (found != sessions->end()) {
      auto& session = found->second;
      if (!outcome) {
        session.status = SessionStatus::Failed;
        log->error("{} session_id={} error={}", texts::kLogSessionFailed, id,
                   outcome.error().message());
      } else {
        auto result = std::move(*outcome).into_harness_result();
        session.status = result.success ? SessionStatus::Completed : SessionStatus::Failed;
        session.result = std::move(result);
      }
      session.completed_at = core::utc_now();
    }
  }
  log->info("{} session_id={}", texts::kLogSessionCompleted, id);
}

}  // namespace brask::server::session
