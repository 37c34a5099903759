#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace brask::core {

// A 128-bit identifier. `new_v4` makes random version-4 ones; text is lower-case hyphenated.
class Uuid {
 public:
  Uuid() = default;
  explicit Uuid(const std::array<std::uint8_t, 16>& bytes) : bytes_(bytes) {}

  static Uuid new_v4();

  const std::array<std::uint8_t, 16>& bytes() const { return bytes_; }
  std::string to_string() const;
  bool is_nil() const;

  auto operator<=>(const Uuid&) const = default;

 private:
  std::array<std::uint8_t, 16> bytes_{};
};

// Shorthand for the text of a fresh version-4 UUID.
std::string new_uuid_text();

}  // namespace brask::core
