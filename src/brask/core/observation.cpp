#include "brask/core/observation.h"

#include <algorithm>
#include <mutex>
#include <set>

namespace brask::core {
namespace {

constexpr std::string_view kDimension = "dimension";

}  // namespace

Observation::Observation(std::string_view dimension) {
  auto& member = member_for(kDimension);
  member.kind = Kind::ViewedText;
  member.text = dimension.data();
  member.text_size = static_cast<std::uint32_t>(dimension.size());
}

Observation::Observation(const Observation& other)
    : members_(other.members_),
      key_bits_(other.key_bits_),
      stored_(other.stored_ ? std::make_unique<Stored>(*other.stored_) : nullptr) {}

Observation& Observation::operator=(const Observation& other) {
  if (this != &other) *this = Observation(other);
  return *this;
}

Observation::Stored& Observation::storage() {
  if (!stored_) stored_ = std::make_unique<Stored>();
  return *stored_;
}

Observation& Observation::set_stored(std::string_view key, Kind kind, StoredValue value) {
  auto& values = storage().values;
  auto& member = member_for(key);
  const bool owns_slot = member.kind == Kind::OwnedText || member.kind == Kind::TextList ||
                         member.kind == Kind::OtherJson;
  if (owns_slot) {
    values[member.slot] = std::move(value);  // a replaced value gives its slot to the new one
  } else {
    member.slot = values.size();
    values.push_back(std::move(value));
  }
  member.kind = kind;
  return *this;
}

Observation& Observation::set_text(std::string_view key, std::string value) {
  return set_stored(key, Kind::OwnedText, std::move(value));
}

Observation& Observation::set_texts(std::string_view key, StringList value) {
  return set_stored(key, Kind::TextList, std::move(value));
}

Observation& Observation::set(std::string_view key, Value value) {
  return std::visit(
      [&](auto&& v) -> Observation& {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return set_text(key, std::move(v));
        } else if constexpr (std::is_same_v<T, StringList>) {
          return set_texts(key, std::move(v));
        } else if constexpr (std::is_same_v<T, nlohmann::json>) {
          return set_stored(key, Kind::OtherJson, std::move(v));
        } else {
          auto& member = member_for(key);
          if constexpr (std::is_same_v<T, std::nullptr_t>) {
            member.kind = Kind::Null;
          } else if constexpr (std::is_same_v<T, bool>) {
            member.kind = Kind::Bool;
            member.flag = v;
          } else if constexpr (std::is_same_v<T, std::uint64_t>) {
            member.kind = Kind::Unsigned;
            member.count = v;
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            member.kind = Kind::Signed;
            member.integer = v;
          } else {
            member.kind = Kind::Float;
            member.number = v;
          }
          return *this;
        }
      },
      std::move(value));
}

nlohmann::json Observation::to_json() const {
  if (!is_object()) return *stored_->non_object;
  nlohmann::json out = nlohmann::json::object();
  for (const auto& member : members()) {
    auto& slot = out[std::string(member.key)];
    switch (member.kind) {
      case Kind::Null:
        slot = nullptr;
        break;
      case Kind::Bool:
        slot = member.flag;
        break;
      case Kind::Unsigned:
        slot = member.count;
        break;
      case Kind::Signed:
        slot = member.integer;
        break;
      case Kind::Float:
        slot = member.number;
        break;
      case Kind::ViewedText:
        slot = std::string(member.text, member.text_size);
        break;
      case Kind::OwnedText:
      case Kind::TextList:
      case Kind::OtherJson:
        slot = std::visit([](const auto& v) { return nlohmann::json(v); }, stored(member));
        break;
    }
  }
  return out;
}

Observation Observation::from_json(const nlohmann::json& json) {
  Observation record;
  if (!json.is_object()) {
    record.storage().non_object = json;
    return record;
  }
  for (const auto& [text, value] : json.items()) {
    const auto key = intern_key(text);
    switch (value.type()) {
      case nlohmann::json::value_t::null:
        record.set(key, nullptr);
        break;
      case nlohmann::json::value_t::boolean:
        record.set(key, value.get<bool>());
        break;
      case nlohmann::json::value_t::number_unsigned:
        record.set_count(key, value.get<std::uint64_t>());
        break;
      case nlohmann::json::value_t::number_integer:
        record.set(key, value.get<std::int64_t>());
        break;
      case nlohmann::json::value_t::number_float:
        record.set_number(key, value.get<double>());
        break;
      case nlohmann::json::value_t::string:
        record.set_text(key, value.get<std::string>());
        break;
      case nlohmann::json::value_t::array:
        if (std::all_of(value.begin(), value.end(), [](const auto& e) { return e.is_string(); })) {
          record.set_texts(key, value.get<StringList>());
          break;
        }
        [[fallthrough]];
      default:
        record.set_stored(key, Kind::OtherJson, value);
    }
  }
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
