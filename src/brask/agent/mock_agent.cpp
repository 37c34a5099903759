#include "brask/agent/mock_agent.h"

#include <fmt/format.h>

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace brask::agent {
namespace {

namespace asio = boost::asio;

constexpr std::string_view kTool = "mock_search";
constexpr std::string_view kQueryFormat = "turn_{}";
constexpr std::string_view kResultFormat = "result_turn_{}";
constexpr std::string_view kCompletedFormat = "Mock agent completed task: {}";
constexpr std::string_view kSummaryFormat = "Completed {} mock turns for: {}";
constexpr std::string_view kOutputFormat = "mock_output: {} turns";
constexpr std::uint64_t kToolDurationMs = 50;
constexpr std::uint64_t kToolTokenCount = 100;

}  // namespace

asio::awaitable<core::Result<core::AgentOutcome>> MockAgent::run(
    std::string task, EventSender events, InterventionReceiver interventions) {
  // Held, never read, until the run returns.
  const InterventionReceiver held = std::move(interventions);
  std::optional<asio::steady_timer> pace;
  if (event_interval_.count() > 0) pace.emplace(co_await asio::this_coro::executor);

  // Events are made by plain functions and kept in named values: g++ 12 mishandles temporaries
  // with non-trivial members inside co_await expressions.
  const std::uint64_t total = 4 * std::uint64_t{turns_} + 2;
  for (std::uint64_t index = 0; index < total; ++index) {
    if (pace) {
      pace->expires_after(event_interval_);
      co_await pace->async_wait(asio::use_awaitable);
    }
    core::AgentEvent event = script_event(index, task);
    // A failed send (the receiver is gone) is ignored: the script runs to its end.
    const auto status = co_await events.send(std::move(event));
    (void)status;
  }

  core::AgentOutcome outcome{fmt::format(kSummaryFormat, turns_, task),
                             fmt::format(kOutputFormat, turns_), success_};
  co_return outcome;
}

core::AgentEvent MockAgent::script_event(std::uint64_t index, const std::string& task) const {
  const auto now = core::utc_now();
  if (index == 0) return core::event::Started{id_, task, now};
  if (index == 4 * std::uint64_t{turns_} + 1) {
    return core::event::Completed{id_, fmt::format(kCompletedFormat, task), now};
  }
  const auto turn = (index - 1) / 4;
  switch ((index - 1) % 4) {
    case 0:
      return core::event::ThinkingStart{id_, now};
    case 1: {
      nlohmann::json args = nlohmann::json::object();
      args["query"] = fmt::format(kQueryFormat, turn);
      return core::event::ToolCallStart{id_, std::string(kTool), std::move(args), now};
    }
    case 2: {
      core::ToolResult result{fmt::format(kResultFormat, turn), false, kToolDurationMs,
                              kToolTokenCount};
      return core::event::ToolCallEnd{id_, std::string(kTool), std::move(result), now};
    }
    default:
      return core::event::ThinkingEnd{id_, now};
  }
}

}  // namespace brask::agent
