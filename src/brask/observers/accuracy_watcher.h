#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "brask/core/contracts.h"

namespace brask::observers {

// Accuracy as test and lint output shows it in tool results. Answers on tool-call ends only.
class AccuracyWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "accuracy";
  static constexpr std::string_view kDimension = "accuracy";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::atomic<std::uint64_t> test_passes_{0};
  std::atomic<std::uint64_t> test_failures_{0};
  std::atomic<std::uint64_t> lint_findings_{0};
};

}  // namespace brask::observers
