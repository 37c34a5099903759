#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Error or Critical issues: restrict the agent, fully sandboxed when Critical.
class IsolateStrategy final : public core::Strategy {
 public:
  static constexpr std::string_view kName = "isolate";
  static constexpr std::uint32_t kPriority = 50;

  std::string_view name() const override { return kName; }
  std::uint32_t priority() const override { return kPriority; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override;
};

}  // namespace brask::strategies
