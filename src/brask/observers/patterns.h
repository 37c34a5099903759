#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brask::observers {

// The texts the text-inspecting watchers look for, in the order their records list matches.
// Detectors keep lists of their own; these belong to the observers alone.
namespace patterns {

inline constexpr std::array<std::string_view, 9> kSecret = {
    "sk-",   "api_key", "BEGIN PRIVATE KEY", "AWS_ACCESS_KEY", "ghp_",
    "xoxb-", "token=",  "password=",         "secret=",
};

inline constexpr std::array<std::string_view, 6> kInjection = {
    "ignore previous instructions",
    "you are now DAN",
    "system override",
    "pretend you are",
    "new instructions:",
    "forget everything",
};

inline constexpr std::array<std::string_view, 7> kDangerousCommand = {
    "rm -rf /", "curl | bash", "sudo ", "chmod 777", "DROP TABLE", "; DROP ", "eval(",
};

inline constexpr std::array<std::string_view, 5> kPersonalData = {
    "@", "credit card", "ssn", "social security", "passport",
};

}  // namespace patterns

// A fixed list of patterns matched as case-insensitive substrings, with full Unicode lower-casing
// of both sides. The patterns are lower-cased once here; each scan lower-cases the text once.
class CaseInsensitivePatterns {
 public:
  explicit CaseInsensitivePatterns(std::span<const std::string_view> patterns);

  // The patterns found in `text`, as the list writes them, in list order.
  std::vector<std::string> matches(std::string_view text) const;
  // How many distinct patterns occur in `text`.
  std::size_t count_matches(std::string_view text) const;

 private:
  std::span<const std::string_view> originals_;
  std::vector<std::string> lowered_;
};

// The lists above, lower-cased once for the process and shared by every watcher.
const CaseInsensitivePatterns& secret_patterns();
const CaseInsensitivePatterns& injection_patterns();
const CaseInsensitivePatterns& dangerous_command_patterns();
const CaseInsensitivePatterns& personal_data_patterns();

}  // namespace brask::observers
