#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>

#include "brask/core/contracts.h"
#include "brask/observers/figures.h"

namespace brask::observers {

// Context quality: how often the agent reads a file it has read before. Answers on every event.
class ContextQualityWatcher final : public core::Observer {
 public:
  static constexpr std::string_view kName = "context_quality";
  static constexpr std::string_view kDimension = "context_quality";

  std::string_view name() const override { return kName; }
  std::string_view dimension() const override { return kDimension; }
  std::optional<core::Observation> observe(const core::AgentEvent& event) override;

 private:
  std::atomic<std::uint64_t> reads_{0};
  // Lock order: files_mutex_, then the duplicate count (an atomic, updated inside that lock so
  // concurrent reads of one path count exactly one first read).
  std::mutex files_mutex_;
  std::unordered_set<std::string, figures::StringHash, std::equal_to<>> files_read_;
  std::atomic<std::uint64_t> duplicate_reads_{0};
};

}  // namespace brask::observers
