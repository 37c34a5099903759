#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "brask/core/contracts.h"
#include "brask/observers/patterns.h"

namespace brask::observers {

// Compliance: signs of personal data in outputs. Answers on every event.
class ComplianceWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "compliance";
  static constexpr std::string_view kDimension = "compliance";

  ComplianceWatcher() = default;

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  const CaseInsensitivePatterns& personal_data_ = personal_data_patterns();
  std::atomic<std::uint64_t> pii_exposures_{0};
};

}  // namespace brask::observers
