#include "brask/observers/patterns.h"

#include "brask/core/unicode.h"

namespace brask::observers {
namespace {

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The lower-cased text, in a per-thread buffer that keeps its capacity, so the common ASCII case
// allocates nothing once warm. The view is valid until the thread's next call.
std::string_view lowered_text(std::string_view text) {
  thread_local std::string buffer;
  if (is_ascii(text)) {
    buffer.assign(text);
    for (auto& c : buffer) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  } else {
    buffer = core::to_lower_unicode(text);
  }
  return buffer;
}

}  // namespace

CaseInsensitivePatterns::CaseInsensitivePatterns(std::span<const std::string_view> patterns)
    : originals_(patterns) {
  lowered_.reserve(patterns.size());
  for (auto pattern : patterns) lowered_.push_back(core::to_lower_unicode(pattern));
}

std::vector<std::string> CaseInsensitivePatterns::matches(std::string_view text) const {
  std::vector<std::string> found;
  auto lower = lowered_text(text);
  for (std::size_t i = 0; i < lowered_.size(); ++i) {
    if (lower.find(lowered_[i]) != std::string_view::npos) found.emplace_back(originals_[i]);
  }
  return found;
}

std::size_t CaseInsensitivePatterns::count_matches(std::string_view text) const {
  std::size_t count = 0;
  auto lower = lowered_text(text);
  for (const auto& pattern : lowered_) {
    if (lower.find(pattern) != std::string_view::npos) ++count;
  }
  return count;
}

const CaseInsensitivePatterns& secret_patterns() {
  static const CaseInsensitivePatterns set(patterns::kSecret);
  return set;
}

const CaseInsensitivePatterns& injection_patterns() {
  static const CaseInsensitivePatterns set(patterns::kInjection);
  return set;
}

const CaseInsensitivePatterns& dangerous_command_patterns() {
  static const CaseInsensitivePatterns set(patterns::kDangerousCommand);
  return set;
}

const CaseInsensitivePatterns& personal_data_patterns() {
  static const CaseInsensitivePatterns set(patterns::kPersonalData);
  return set;
}

}  // namespace brask::observers
