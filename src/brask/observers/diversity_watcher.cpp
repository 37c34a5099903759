#include "brask/observers/diversity_watcher.h"

#include <cstdint>

#include "brask/core/unicode.h"

namespace brask::observers {

std::optional<core::Observation> DiversityWatcher::observe(const core::AgentEvent& event) {
  const auto* output = event.get_if<core::event::OutputComplete>();
  const auto prefix = output != nullptr ? core::utf8_prefix_chars(output->content, kPrefixChars)
                                        : std::string_view{};
  std::uint64_t unique = 0;
  {
    std::lock_guard lock(prefixes_mutex_);
    // Look up by view first: the history repeats every cycle, so the prefix is usually known.
    if (output != nullptr && !prefixes_.contains(prefix)) prefixes_.emplace(prefix);
    unique = prefixes_.size();
  }
  std::optional<core::Observation> record(std::in_place, kName);
  record->set_count("unique_approaches", unique);
  return record;
}

}  // namespace brask::observers
