#include "brask/observers/security_watcher.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace brask::observers {
namespace {

std::optional<core::Observation> alert(std::string_view kind, std::vector<std::string> found) {
  if (found.empty()) return std::nullopt;
  std::optional<core::Observation> record(std::in_place, SecurityWatcher::kName);
  record->set_text("alert", std::string(kind)).set_texts("patterns", std::move(found));
  return record;
}

// Equal with the same JSON types throughout (1 and 1.0 differ, as their dumps do).
bool same_json(const nlohmann::json& a, const nlohmann::json& b) {
  if (a.type() != b.type()) return false;
  if (a.is_object()) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
      if (i.key() != j.key() || !same_json(*i, *j)) return false;
    }
    return true;
  }
  if (a.is_array()) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (!same_json(a[i], b[i])) return false;
    }
    return true;
  }
  // Floats bit for bit: 0.0 and -0.0 are equal numbers but dump differently.
  if (a.is_number_float())
    return std::bit_cast<std::uint64_t>(a.get<double>()) ==
           std::bit_cast<std::uint64_t>(b.get<double>());
  return a == b;
}

}  // namespace

std::optional<core::Observation> SecurityWatcher::observe(const core::AgentEvent& event) {
  if (const auto* output = event.get_if<core::event::OutputComplete>()) {
    return alert(kAlertSecretLeak, secrets_.matches(output->content));
  }
  if (const auto* received = event.get_if<core::event::MessageReceived>()) {
    const auto* text = std::get_if<core::TextContent>(&received->content);
    if (text == nullptr) return std::nullopt;
    return alert(kAlertPromptInjection, injections_.matches(text->text));
  }
  if (const auto* call = event.get_if<core::event::ToolCallStart>()) {
    auto record = alert(kAlertDangerousToolCall, scan_call(event, call->args));
    if (record) record->set_text("tool", call->tool);
    return record;
  }
  return std::nullopt;
}

std::vector<std::string> SecurityWatcher::scan_call(const core::AgentEvent& event,
                                                    const nlohmann::json& args) {
  {
    std::lock_guard lock(scanned_mutex_);
    const auto found = scanned_.find(&event);
    if (found != scanned_.end() && same_json(found->second.args, args)) return found->second.found;
  }
  // Arguments may hold ill-formed UTF-8 strings; replace those bytes rather than throw, so a bad
  // argument cannot hide the rest of the call from the scan.
  const auto text = args.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  auto matched = dangerous_commands_.matches(text);
  std::lock_guard lock(scanned_mutex_);
  if (scanned_.size() >= kMaxScanned) scanned_.clear();
  scanned_.insert_or_assign(&event, ScannedCall{args, matched});
  return matched;
}

}  // namespace brask::observers
