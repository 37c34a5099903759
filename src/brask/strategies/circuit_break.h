#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Critical secret leaks and compliance gaps: stop the agent at once.
class CircuitBreakStrategy final : public core::Strategy {
 public:
  static constexpr std::string_view kName = "circuit_break";
  static constexpr std::uint32_t kPriority = 100;

  std::string_view name() const override { return kName; }
  std::uint32_t priority() const override { return kPriority; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override;
};

}  // namespace brask::strategies
