#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "brask/core/contracts.h"
#include "brask/observers/patterns.h"

namespace brask::observers {

// Security: secrets in outputs, prompt injection in received text and dangerous commands in tool
// arguments. Keeps no figures; answers only when something matches.
class SecurityWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "security";
  static constexpr std::string_view kDimension = "security";
  // The "alert" values of its records.
  static constexpr std::string_view kAlertSecretLeak = "secret_leak";
  static constexpr std::string_view kAlertPromptInjection = "prompt_injection";
  static constexpr std::string_view kAlertDangerousToolCall = "dangerous_tool_call";

  SecurityWatcher() = default;

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  // The command scan of one tool call, kept because the history is scanned again in every cycle.
  // Keyed by the event's address; the copy of the arguments tells a later event that reuses the
  // address apart.
  struct ScannedCall {
    nlohmann::json args;
    std::vector<std::string> found;
  };
  static constexpr std::size_t kMaxScanned = 2048;  // more than a full history

  std::vector<std::string> scan_call(const core::AgentEvent& event, const nlohmann::json& args);

  const CaseInsensitivePatterns& secrets_ = secret_patterns();
  const CaseInsensitivePatterns& injections_ = injection_patterns();
  const CaseInsensitivePatterns& dangerous_commands_ = dangerous_command_patterns();
  std::mutex scanned_mutex_;
  std::unordered_map<const core::AgentEvent*, ScannedCall> scanned_;
};

}  // namespace brask::observers
