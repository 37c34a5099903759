#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>

#include "brask/core/contracts.h"
#include "brask/observers/figures.h"

namespace brask::observers {

// Diversity: how many different answers the agents give, told apart by their opening characters.
// Answers on every event.
class DiversityWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "diversity";
  static constexpr std::string_view kDimension = "diversity";
  // Answers that agree in this many leading characters (Unicode scalar values) count as one.
  static constexpr std::size_t kPrefixChars = 100;

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::mutex prefixes_mutex_;
  std::unordered_set<std::string, figures::StringHash, std::equal_to<>> prefixes_;
};

}  // namespace brask::observers
