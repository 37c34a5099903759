#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <boost/asio/any_io_executor.hpp>
#include <boost/asio/awaitable.hpp>

#include "brask/async/watch.h"
#include "brask/server/session/store.h"

namespace brask::server::session {

inline constexpr std::uint32_t kDefaultTurns = 5;
inline constexpr std::uint32_t kMaxTurns = 10'000;
inline constexpr std::uint32_t kMaxEventIntervalMs = 1'000;

// What a run may be given beyond the record's texts.
struct SpawnOptions {
  std::uint32_t turns = kDefaultTurns;
  std::chrono::milliseconds event_interval{0};
  // The receiving ends of the record's intervention channel and cancel signal; a run without
  // them (default-constructed) receives neither.
  RunEnds ends;
  // Set to true once the session has been marked running (or found gone).
  std::optional<async::Watch<bool>> running;
};

// A strand of the runtime behind `current`, so that a session's run is a task of its own.
boost::asio::any_io_executor run_executor(const boost::asio::any_io_executor& current);

// Runs the session with the mock agent and records its outcome in the store. Never fails.
boost::asio::awaitable<void> spawn_session(SessionStore store, std::string id, std::string task,
                                           std::string agent_type, std::string preset,
                                           SpawnOptions options = {});

}  // namespace brask::server::session
