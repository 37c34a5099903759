#include "brask/core/observation.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace brask::core {
namespace {

nlohmann::json value_to_json(const Observation::Value& value) {
  return std::visit(
      [](const auto& v) -> nlohmann::json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, Observation::OtherJson>) {
          return v ? *v : nlohmann::json(nullptr);
        } else {
          return nlohmann::json(v);
        }
      },
      value);
}

Observation::Value value_from_json(const nlohmann::json& json) {
  switch (json.type()) {
    case nlohmann::json::value_t::null:
      return nullptr;
    case nlohmann::json::value_t::boolean:
      return json.get<bool>();
    case nlohmann::json::value_t::number_unsigned:
      return json.get<std::uint64_t>();
    case nlohmann::json::value_t::number_integer:
      return json.get<std::int64_t>();
    case nlohmann::json::value_t::number_float:
      return json.get<double>();
    case nlohmann::json::value_t::string:
      return json.get<std::string>();
    case nlohmann::json::value_t::array:
      if (std::all_of(json.begin(), json.end(), [](const auto& e) { return e.is_string(); })) {
        return json.get<Observation::StringList>();
      }
      [[fallthrough]];
    default:
      return std::make_shared<const nlohmann::json>(json);
  }
}

}  // namespace

Observation::Observation(std::string_view dimension) {
  constexpr std::string_view kDimension = "dimension";
  members_.emplace_back(kDimension, Value(std::in_place_type<std::string>, dimension));
  key_bits_ = detail::observation_key_bit(kDimension);
}

std::size_t Observation::index_of(std::string_view key) const {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (members_[i].key == key) return i;
  }
  return kAbsent;
}

Observation& Observation::set_with_bit(std::string_view key, std::uint64_t bit, Value&& value) {
  const auto at = (key_bits_ & bit) != 0 ? index_of(key) : kAbsent;
  if (at != kAbsent) {
    members_[at].value = std::move(value);
  } else {
    members_.emplace_back(key, std::move(value));
    key_bits_ |= bit;
  }
  return *this;
}

nlohmann::json Observation::to_json() const {
  if (non_object_) return *non_object_;
  nlohmann::json out = nlohmann::json::object();
  for (const auto& member : members_) out[std::string(member.key)] = value_to_json(member.value);
  return out;
}

Observation Observation::from_json(const nlohmann::json& json) {
  Observation record;
  if (!json.is_object()) {
    record.non_object_ = std::make_shared<const nlohmann::json>(json);
    return record;
  }
  for (const auto& [key, value] : json.items()) record.set(intern_key(key), value_from_json(value));
  return record;
}

bool Observation::operator==(const Observation& other) const {
  return to_json() == other.to_json();
}

std::string_view intern_key(std::string_view key) {
  static std::mutex mutex;
  static auto* keys = new std::set<std::string, std::less<>>();  // lives for the process
  std::lock_guard lock(mutex);
  auto found = keys->find(key);
  if (found == keys->end()) found = keys->emplace(key).first;
  return *found;
}

}  // namespace brask::core
