#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::strategies {

// Stale context only: compress the context, harder the higher its pressure.
class CompactStrategy final : public core::Strategy {
 public:
  static constexpr std::string_view kName = "compact";
  static constexpr std::uint32_t kPriority = 20;
  // The share of the context to keep, as the factory builds it.
  static constexpr double kStandardTargetRatio = 0.6;

  explicit CompactStrategy(double target_ratio) : target_ratio_(target_ratio) {}

  std::string_view name() const override { return kName; }
  std::uint32_t priority() const override { return kPriority; }
  std::optional<core::StrategyResult> evaluate(const core::DetectedIssue& issue) override;

  double target_ratio() const { return target_ratio_; }

 private:
  const double target_ratio_;
};

}  // namespace brask::strategies
