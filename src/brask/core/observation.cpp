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
  members_.push_back(Member{"dimension", std::string(dimension)});
}

Observation& Observation::set(std::string_view key, Value value) {
  auto at = std::lower_bound(members_.begin(), members_.end(), key,
                             [](const Member& m, std::string_view k) { return m.key < k; });
  if (at != members_.end() && at->key == key) {
    at->value = std::move(value);
  } else {
    members_.insert(at, Member{key, std::move(value)});
  }
  return *this;
}

const Observation::Value* Observation::find(std::string_view key) const {
  auto at = std::lower_bound(members_.begin(), members_.end(), key,
                             [](const Member& m, std::string_view k) { return m.key < k; });
  return (at != members_.end() && at->key == key) ? &at->value : nullptr;
}

std::optional<std::string_view> Observation::get_string(std::string_view key) const {
  const auto* value = find(key);
  if (const auto* text = value ? std::get_if<std::string>(value) : nullptr) return *text;
  return std::nullopt;
}

std::optional<double> Observation::get_number(std::string_view key) const {
  const auto* value = find(key);
  if (value == nullptr) return std::nullopt;
  if (const auto* u = std::get_if<std::uint64_t>(value)) return static_cast<double>(*u);
  if (const auto* i = std::get_if<std::int64_t>(value)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(value)) return *d;
  return std::nullopt;
}

std::optional<std::uint64_t> Observation::get_unsigned(std::string_view key) const {
  const auto* value = find(key);
  if (const auto* u = value ? std::get_if<std::uint64_t>(value) : nullptr) return *u;
  return std::nullopt;
}

const Observation::StringList* Observation::get_string_list(std::string_view key) const {
  const auto* value = find(key);
  return value ? std::get_if<StringList>(value) : nullptr;
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
