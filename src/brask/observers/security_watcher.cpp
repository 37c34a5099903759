#include "brask/observers/security_watcher.h"

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

}  // namespace

SecurityWatcher::SecurityWatcher()
    : secrets_(patterns::kSecret),
      injections_(patterns::kInjection),
      dangerous_commands_(patterns::kDangerousCommand) {}

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
    // Arguments may hold ill-formed UTF-8 strings; replace those bytes rather than throw, so a
    // bad argument cannot hide the rest of the call from the scan.
    const auto args = call->args.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    auto record = alert(kAlertDangerousToolCall, dangerous_commands_.matches(args));
    if (record) record->set_text("tool", call->tool);
    return record;
  }
  return std::nullopt;
}

}  // namespace brask::observers
