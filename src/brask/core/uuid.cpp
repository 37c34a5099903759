#include "brask/core/uuid.h"

#include <random>

namespace brask::core {
namespace {

// One generator per thread, seeded from the operating system's entropy source.
std::mt19937_64& generator() {
  thread_local std::mt19937_64 engine = [] {
    std::random_device device;
    std::seed_seq seed{device(), device(), device(), device(),
                       device(), device(), device(), device()};
    return std::mt19937_64(seed);
  }();
  return engine;
}

}  // namespace

Uuid Uuid::new_v4() {
  auto& engine = generator();
  const std::uint64_t high = engine();
  const std::uint64_t low = engine();
  std::array<std::uint8_t, 16> bytes{};
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
    bytes[8 + i] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
  }
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  return Uuid(bytes);
}

std::string Uuid::to_string() const {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(kHex[bytes_[i] >> 4]);
    text.push_back(kHex[bytes_[i] & 0x0F]);
  }
  return text;
}

bool Uuid::is_nil() const {
  for (auto byte : bytes_) {
    if (byte != 0) return false;
  }
  return true;
}

std::string new_uuid_text() {
  return Uuid::new_v4().to_string();
}

}  // namespace brask::core
