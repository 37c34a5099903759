#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <boost/container/small_vector.hpp>
#include <nlohmann/json.hpp>

namespace brask::core {

namespace detail {
// A key's bit in a record's key summary: a hash of its length and three of its bytes. Only ever a
// filter, so collisions cost a comparison and nothing else. Inline so that a literal key's bit is
// worked out when compiling.
constexpr std::uint64_t observation_key_bit(std::string_view key) {
  std::uint64_t h = key.size();
  if (!key.empty()) {
    h = h * 131 + static_cast<unsigned char>(key.front());
    h = h * 131 + static_cast<unsigned char>(key[key.size() / 2]);
    h = h * 131 + static_cast<unsigned char>(key.back());
  }
  return std::uint64_t{1} << ((h * 0x9E3779B97F4A7C15ULL) >> 58);
}
}  // namespace detail

// One observation record: a JSON object with the member "dimension" and the observer's figures.
//
// Observers build these for every event of the history in every cycle, so the record is a small
// array of members in the order they were first set, with scalar values held inline, rather than
// a tree of heap nodes. Detectors read it with JSON member semantics; it becomes `nlohmann::json`
// (whose objects are sorted by key) only where JSON is written. Keys are string views that must
// outlive the record: observers use string literals, and `from_json` interns the keys it reads
// (see `intern_key`).
//
// Detectors mostly ask for keys a record lacks, so each record keeps a 64-bit summary of its keys
// (one bit per key, from a cheap hash of the key's text): a key whose bit is clear is absent
// without comparing any text.
class Observation {
 public:
  using StringList = std::vector<std::string>;
  using OtherJson = std::shared_ptr<const nlohmann::json>;  // arrays and objects of other shapes
  using Value = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double, std::string,
                             StringList, OtherJson>;

  struct Member {
    std::string_view key;
    Value value;
  };

  Observation() = default;
  // A record whose "dimension" member is `dimension`.
  explicit Observation(std::string_view dimension);

  // Sets a member (replacing one with an equal key). `key` must outlive the record.
  Observation& set(std::string_view key, Value value) {
    return set_with_bit(key, detail::observation_key_bit(key), std::move(value));
  }
  // Typed shorthands: counts are unsigned integers, rates and amounts f64.
  Observation& set_count(std::string_view key, std::uint64_t value) {
    return set(key, Value(value));
  }
  Observation& set_number(std::string_view key, double value) { return set(key, Value(value)); }
  Observation& set_text(std::string_view key, std::string value) {
    return set(key, Value(std::move(value)));
  }
  Observation& set_texts(std::string_view key, StringList value) {
    return set(key, Value(std::move(value)));
  }

  // False for a record made from a JSON value that is not an object: it has no members.
  bool is_object() const { return !non_object_; }
  // In the order the keys were first set.
  const auto& members() const { return members_; }
  const Value* find(std::string_view key) const {
    if ((key_bits_ & detail::observation_key_bit(key)) == 0) return nullptr;
    const auto at = index_of(key);
    return at != kAbsent ? &members_[at].value : nullptr;
  }

  // Member readers that skip absent and ill-typed members.
  std::optional<std::string_view> get_string(std::string_view key) const {
    const auto* value = find(key);
    if (const auto* text = value ? std::get_if<std::string>(value) : nullptr) return *text;
    return std::nullopt;
  }
  // Any JSON number (unsigned, signed or float) as f64.
  std::optional<double> get_number(std::string_view key) const {
    const auto* value = find(key);
    if (value == nullptr) return std::nullopt;
    if (const auto* u = std::get_if<std::uint64_t>(value)) return static_cast<double>(*u);
    if (const auto* i = std::get_if<std::int64_t>(value)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(value)) return *d;
    return std::nullopt;
  }
  // Only a number stored as an unsigned integer (a non-negative integer in JSON).
  std::optional<std::uint64_t> get_unsigned(std::string_view key) const {
    const auto* value = find(key);
    if (const auto* u = value ? std::get_if<std::uint64_t>(value) : nullptr) return *u;
    return std::nullopt;
  }
  const StringList* get_string_list(std::string_view key) const {
    const auto* value = find(key);
    return value ? std::get_if<StringList>(value) : nullptr;
  }

  nlohmann::json to_json() const;
  static Observation from_json(const nlohmann::json& json);

  bool operator==(const Observation& other) const;

 private:
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);
  Observation& set_with_bit(std::string_view key, std::uint64_t bit, Value&& value);
  // The index of the member with this key, or kAbsent.
  std::size_t index_of(std::string_view key) const;

  boost::container::small_vector<Member, 6> members_;
  std::uint64_t key_bits_ = 0;  // the union of the members' key bits
  OtherJson non_object_;        // the value itself when it is not an object
};

// A key with static lifetime equal to `key`, for records whose keys are not literals.
std::string_view intern_key(std::string_view key);

}  // namespace brask::core
