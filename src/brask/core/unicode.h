#pragma once

#include <string>
#include <string_view>

namespace brask::core {

// Full Unicode lower-casing of UTF-8 text (final sigma, dotted capital I and the other special
// cases included). Ill-formed UTF-8 sequences become U+FFFD.
std::string to_lower_unicode(std::string_view text);

// The longest prefix of `text` of at most `max_bytes` bytes that ends on a character boundary.
std::string_view utf8_prefix_bytes(std::string_view text, std::size_t max_bytes);

// The prefix of `text` holding its first `max_chars` Unicode scalar values (all of it if shorter).
std::string_view utf8_prefix_chars(std::string_view text, std::size_t max_chars);

}  // namespace brask::core
