#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

// Small arithmetic and container helpers shared by the watchers.
namespace brask::observers::figures {

// part / whole, or `if_none` when whole is zero. Callers pass the counts as f64 so that a sum of
// two counts cannot wrap before the division.
inline double share(double part, double whole, double if_none) {
  return whole == 0.0 ? if_none : part / whole;
}

inline std::uint64_t saturating_mul(std::uint64_t a, std::uint64_t b) {
  constexpr auto kMax = std::numeric_limits<std::uint64_t>::max();
  return (a != 0 && b > kMax / a) ? kMax : a * b;
}

// Hashing for string sets looked up by string_view, so a lookup never copies the text.
struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const {
    return std::hash<std::string_view>{}(text);
  }
};

}  // namespace brask::observers::figures
