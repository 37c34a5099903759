#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Secret leaks and compliance gaps: hold back the agent's output.
class QuarantineStrategy final : public core::Strategy {
 public:
  static constexpr std::string_view kName = "quarantine";
  static constexpr std::uint32_t kPriority = 40;

  std::string_view name() const override { return kName; }
  std::uint32_t priority() const override { return kPriority; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override;
};

}  // namespace brask::strategies
