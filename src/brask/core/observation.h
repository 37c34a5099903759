#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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
// Observers build these for every event of the history in every cycle, so building, moving and
// dropping one must cost next to nothing. A record is a small array of plain, trivially copyable
// members (a key, a kind and an inline scalar) in the order they were first set, held inline up
// to six members, so moving one copies a few words and allocates nothing. The few values that own
// heap memory (texts, lists of texts, other JSON) live apart, in storage the record allocates
// only when it holds one, and a member refers to them by index. Detectors read a record with
// JSON member semantics; it becomes `nlohmann::json` (whose objects are sorted by key) only where
// JSON is written.
//
// Keys, and the dimension given to the constructor, are views that must outlive the record:
// observers use string literals, and `from_json` interns the keys it reads (see `intern_key`).
//
// Detectors mostly ask for keys a record lacks, so each record keeps a 64-bit summary of its keys
// (one bit per key, from a cheap hash of the key's text): a key whose bit is clear is absent
// without comparing any text.
class Observation {
 public:
  using StringList = std::vector<std::string>;
  // Any member value, for the general setter; the typed setters below avoid building one.
  using Value = std::variant<std::nullptr_t, bool, std::uint64_t, std::int64_t, double, std::string,
                             StringList, nlohmann::json>;

  enum class Kind : std::uint8_t {
    Null,
    Bool,
    Unsigned,
    Signed,
    Float,
    ViewedText,  // a text the record does not own (the dimension)
    OwnedText,
    TextList,
    OtherJson,  // arrays and objects of other shapes
  };

  struct Member {
    std::string_view key;
    Kind kind = Kind::Null;
    std::uint32_t text_size = 0;  // ViewedText: the text's length
    union {
      bool flag;
      std::uint64_t count;
      std::int64_t integer;
      double number;
      std::size_t slot;  // OwnedText, TextList, OtherJson: the index of the stored value
      const char* text;  // ViewedText: the text's first byte
    };
    Member() : count(0) {}
  };

  Observation() = default;
  // A record whose "dimension" member is `dimension`, which must outlive the record.
  explicit Observation(std::string_view dimension);

  Observation(const Observation& other);
  Observation& operator=(const Observation& other);
  Observation(Observation&&) noexcept = default;
  Observation& operator=(Observation&&) noexcept = default;
  ~Observation() = default;

  // Sets a member (replacing one with an equal key). `key` must outlive the record.
  Observation& set(std::string_view key, Value value);
  // Typed setters: counts are unsigned integers, rates and amounts f64.
  Observation& set_count(std::string_view key, std::uint64_t value) {
    auto& member = member_for(key);
    member.kind = Kind::Unsigned;
    member.count = value;
    return *this;
  }
  Observation& set_number(std::string_view key, double value) {
    auto& member = member_for(key);
    member.kind = Kind::Float;
    member.number = value;
    return *this;
  }
  Observation& set_text(std::string_view key, std::string value);
  Observation& set_texts(std::string_view key, StringList value);

  // False for a record made from a JSON value that is not an object: it has no members.
  bool is_object() const { return !(stored_ && stored_->non_object); }
  // In the order the keys were first set.
  std::span<const Member> members() const { return {members_.data(), members_.size()}; }
  const Member* find(std::string_view key) const {
    if ((key_bits_ & detail::observation_key_bit(key)) == 0) return nullptr;
    for (const auto& member : members()) {
      if (member.key == key) return &member;
    }
    return nullptr;
  }

  // Member readers that skip absent and ill-typed members.
  std::optional<std::string_view> get_string(std::string_view key) const {
    const auto* member = find(key);
    if (member == nullptr) return std::nullopt;
    if (member->kind == Kind::ViewedText) return std::string_view(member->text, member->text_size);
    if (member->kind == Kind::OwnedText) return std::get<std::string>(stored(*member));
    return std::nullopt;
  }
  // Any JSON number (unsigned, signed or float) as f64.
  std::optional<double> get_number(std::string_view key) const {
    const auto* member = find(key);
    if (member == nullptr) return std::nullopt;
    switch (member->kind) {
      case Kind::Unsigned:
        return static_cast<double>(member->count);
      case Kind::Signed:
        return static_cast<double>(member->integer);
      case Kind::Float:
        return member->number;
      default:
        return std::nullopt;
    }
  }
  // Only a number stored as an unsigned integer (a non-negative integer in JSON).
  std::optional<std::uint64_t> get_unsigned(std::string_view key) const {
    const auto* member = find(key);
    if (member == nullptr || member->kind != Kind::Unsigned) return std::nullopt;
    return member->count;
  }
  const StringList* get_string_list(std::string_view key) const {
    const auto* member = find(key);
    if (member == nullptr || member->kind != Kind::TextList) return nullptr;
    return &std::get<StringList>(stored(*member));
  }

  nlohmann::json to_json() const;
  static Observation from_json(const nlohmann::json& json);

  bool operator==(const Observation& other) const;

 private:
  using StoredValue = std::variant<std::string, StringList, nlohmann::json>;
  static constexpr std::size_t kInlineMembers = 6;
  struct Stored {
    std::vector<StoredValue> values;
    std::optional<nlohmann::json> non_object;  // the value itself when it is not an object
  };

  // The member with this key, added (as null) when absent.
  Member& member_for(std::string_view key) {
    const auto bit = detail::observation_key_bit(key);
    if ((key_bits_ & bit) != 0) {
      for (auto& member : members_) {
        if (member.key == key) return member;
      }
    }
    key_bits_ |= bit;
    auto& added = members_.emplace_back();
    added.key = key;
    return added;
  }
  Observation& set_stored(std::string_view key, Kind kind, StoredValue value);
  const StoredValue& stored(const Member& member) const { return stored_->values[member.slot]; }
  Stored& storage();

  boost::container::small_vector<Member, kInlineMembers> members_;
  std::uint64_t key_bits_ = 0;  // the union of the members' key bits
  std::unique_ptr<Stored> stored_;
};

// A key with static lifetime equal to `key`, for records whose keys are not literals.
std::string_view intern_key(std::string_view key);

}  // namespace brask::core
