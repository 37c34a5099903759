#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <variant>

namespace brask::core {

// The one error type of every fallible operation. Its message is the only text form of an error.
class BraskError {
 public:
  enum class Kind : std::uint8_t {
    Llm,
    ToolExecution,
    ContextWindowExceeded,
    RateLimited,
    SessionNotFound,
    Configuration,
    Internal,
    Plugin,
    Checkpoint,
    Audit,
    InterventionFailed,
    CircuitBroken,
  };

  struct ContextWindow {
    std::uint64_t used = 0;
    std::uint64_t limit = 0;
    bool operator==(const ContextWindow&) const = default;
  };

  static BraskError llm(std::string text) { return {Kind::Llm, std::move(text)}; }
  static BraskError tool_execution(std::string text) {
    return {Kind::ToolExecution, std::move(text)};
  }
  static BraskError context_window_exceeded(std::uint64_t used, std::uint64_t limit) {
    return {Kind::ContextWindowExceeded, ContextWindow{used, limit}};
  }
  static BraskError rate_limited(std::uint64_t retry_after_secs) {
    return {Kind::RateLimited, retry_after_secs};
  }
  static BraskError session_not_found(std::string id) {
    return {Kind::SessionNotFound, std::move(id)};
  }
  static BraskError configuration(std::string text) {
    return {Kind::Configuration, std::move(text)};
  }
  static BraskError internal(std::string text) { return {Kind::Internal, std::move(text)}; }
  static BraskError plugin(std::string text) { return {Kind::Plugin, std::move(text)}; }
  static BraskError checkpoint(std::string text) { return {Kind::Checkpoint, std::move(text)}; }
  static BraskError audit(std::string text) { return {Kind::Audit, std::move(text)}; }
  static BraskError intervention_failed(std::string text) {
    return {Kind::InterventionFailed, std::move(text)};
  }
  static BraskError circuit_broken(std::string text) {
    return {Kind::CircuitBroken, std::move(text)};
  }

  Kind kind() const { return kind_; }
  // The error's message, e.g. "Context window exceeded: 210 > 200".
  std::string message() const;

  bool operator==(const BraskError&) const = default;

 private:
  using Payload = std::variant<std::string, std::uint64_t, ContextWindow>;
  BraskError(Kind kind, Payload payload) : kind_(kind), payload_(std::move(payload)) {}

  Kind kind_;
  Payload payload_;
};

template <typename T>
using Result = std::expected<T, BraskError>;

}  // namespace brask::core
