#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Every issue: hand the work to a fresh agent on a stronger model.
class ReplaceStrategy final : public core::Strategy {
 public:
  static constexpr std::string_view kName = "replace";
  static constexpr std::uint32_t kPriority = 45;

  std::string_view name() const override { return kName; }
  std::uint32_t priority() const override { return kPriority; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override;
};

}  // namespace brask::strategies
