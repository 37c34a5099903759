#pragma once

#include <string_view>

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

  SecurityWatcher();

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  CaseInsensitivePatterns secrets_;
  CaseInsensitivePatterns injections_;
  CaseInsensitivePatterns dangerous_commands_;
};

}  // namespace brask::observers
