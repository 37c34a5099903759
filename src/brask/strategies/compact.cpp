#include "brask/strategies/compact.h"

#include <fmt/format.h>

#include "brask/strategies/proposal.h"

namespace brask::strategies {
namespace {

constexpr std::string_view kReasoning =
    "Context pressure at {:.0f}%, applying {} compaction to reach {:.0f}%";

// The thresholds are strict: a pressure of exactly 0.95 still gets Microcompact.
core::CompressionLayer layer_for(double pressure) {
  if (pressure > 0.95) return core::CompressionLayer::Autocompact;
  if (pressure > 0.85) return core::CompressionLayer::Microcompact;
  if (pressure > 0.7) return core::CompressionLayer::Snip;
  return core::CompressionLayer::Budget;
}

}  // namespace

std::optional<core::StrategyResult> CompactStrategy::evaluate(const core::DetectedIssue& issue) {
  const auto* stale = std::get_if<core::category::StaleContext>(&issue.category);
  if (stale == nullptr) return std::nullopt;
  // File re-read issues carry no pressure (0.0) and so land on the Budget layer.
  const auto layer = layer_for(stale->pressure);
  return propose(*this, issue,
                 core::intervention::Compact{.target_ratio = target_ratio_, .layer = layer},
                 fmt::format(kReasoning, stale->pressure * 100.0,
                             core::compression_layer_name(layer), target_ratio_ * 100.0));
}

}  // namespace brask::strategies
