#pragma once

#include <atomic>
#include <mutex>
#include <string_view>
#include <vector>

#include "brask/core/contracts.h"

namespace brask::observers {

// Cost at a flat price per million tokens, whatever the model: 3 dollars for input, 15 for
// output, cache tokens free. Answers on token usage only.
class CostWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "cost";
  static constexpr std::string_view kDimension = "cost";
  static constexpr double kInputDollarsPerMillion = 3.0;
  static constexpr double kOutputDollarsPerMillion = 15.0;

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

  double total_cost() const { return total_cost_.load(std::memory_order_relaxed); }
  // Every turn's cost, in the order they were shown.
  std::vector<double> turn_costs() const;

 private:
  std::atomic<double> total_cost_{0.0};
  mutable std::mutex turns_mutex_;
  std::vector<double> turn_costs_;
};

}  // namespace brask::observers
