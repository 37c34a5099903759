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

// One observation record: a JSON object with the member "dimension" and the observer's figures.
//
// Observers build these for every event of the history in every cycle, so the record is a small
// array of members sorted by key, with scalar values held inline, rather than a tree of heap
// nodes. Detectors read it with JSON member semantics; it becomes `nlohmann::json` only where
// JSON is written. Keys are string views that must outlive the record: observers use string
// literals, and `from_json` interns the keys it reads (see `intern_key`).
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

  // Sets a member, keeping the members sorted by key. `key` must outlive the record.
  Observation& set(std::string_view key, Value value);
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
  const auto& members() const { return members_; }
  const Value* find(std::string_view key) const;

  // Member readers that skip absent and ill-typed members.
  std::optional<std::string_view> get_string(std::string_view key) const;
  // Any JSON number (unsigned, signed or float) as f64.
  std::optional<double> get_number(std::string_view key) const;
  // Only a number stored as an unsigned integer (a non-negative integer in JSON).
  std::optional<std::uint64_t> get_unsigned(std::string_view key) const;
  const StringList* get_string_list(std::string_view key) const;

  nlohmann::json to_json() const;
  static Observation from_json(const nlohmann::json& json);

  bool operator==(const Observation& other) const;

 private:
  boost::container::small_vector<Member, 6> members_;
  OtherJson non_object_;  // the value itself when it is not an object
};

// A key with static lifetime equal to `key`, for records whose keys are not literals.
std::string_view intern_key(std::string_view key);

}  // namespace brask::core
