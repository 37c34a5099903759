#include "brask/observers/cost_watcher.h"

namespace brask::observers {

std::optional<core::Observation> CostWatcher::observe(const core::AgentEvent& event) {
  const auto* usage = event.get_if<core::event::TokenUsage>();
  if (usage == nullptr) return std::nullopt;
  const double turn_cost = (static_cast<double>(usage->input) * kInputDollarsPerMillion +
                            static_cast<double>(usage->output) * kOutputDollarsPerMillion) /
                           1'000'000.0;
  const double total = total_cost_.fetch_add(turn_cost, std::memory_order_relaxed) + turn_cost;
  {
    std::lock_guard lock(turns_mutex_);
    turn_costs_.push_back(turn_cost);
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_number("turn_cost", turn_cost)
      .set_number("total_cost", total)
      .set_text("model", usage->model);
  return record;
}

std::vector<double> CostWatcher::turn_costs() const {
  std::lock_guard lock(turns_mutex_);
  return turn_costs_;
}

}  // namespace brask::observers
