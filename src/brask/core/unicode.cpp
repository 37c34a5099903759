#include "brask/core/unicode.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace brask::core {
namespace {

bool is_continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool is_ascii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string to_lower_unicode(std::string_view text) {
  if (is_ascii(text)) {  // the common case needs no conversion
    std::string out(text);
    for (auto& c : out) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  auto unicode = icu::UnicodeString::fromUTF8(
      icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
  unicode.toLower(icu::Locale::getRoot());
  std::string out;
  unicode.toUTF8String(out);
  return out;
}

std::string_view utf8_prefix_bytes(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = max_bytes;
  while (end > 0 && is_continuation(text[end])) --end;
  return text.substr(0, end);
}

std::string_view utf8_prefix_chars(std::string_view text, std::size_t max_chars) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!is_continuation(text[i])) {
      if (chars == max_chars) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

}  // namespace brask::core
