#include "brask/core/text_form.h"

#include <charconv>
#include <cmath>

#include <fmt/format.h>

namespace brask::core {
namespace {

std::string text_of(const std::string& value) {
  return text_of_string(value);
}
std::string text_of(double value) {
  return text_of_f64(value);
}
std::string text_of(std::uint32_t value) {
  return std::to_string(value);
}
std::string text_of(std::uint64_t value) {
  return std::to_string(value);
}
std::string text_of(const Uuid& value) {
  return value.to_string();
}
std::string text_of(CompressionLayer value) {
  return std::string(compression_layer_name(value));
}
std::string text_of(IsolationLevel value) {
  return std::string(isolation_level_name(value));
}
std::string text_of(DegradeLevel value) {
  return std::string(degrade_level_name(value));
}
std::string text_of(const Intervention& value) {
  return to_text(value);
}

template <typename T>
std::string text_of(const std::optional<T>& value) {
  return value ? "Some(" + text_of(*value) + ")" : std::string("None");
}

template <typename T>
std::string text_of(const std::vector<T>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) out += ", ";
    out += text_of(values[i]);
  }
  return out + "]";
}

// Writes `Name { a: 1, b: "x" }` one field at a time.
class RecordText {
 public:
  explicit RecordText(std::string_view name) : out_(name) { out_ += " {"; }

  template <typename T>
  RecordText& field(std::string_view name, const T& value) {
    out_ += first_ ? " " : ", ";
    first_ = false;
    out_ += name;
    out_ += ": ";
    out_ += text_of(value);
    return *this;
  }

  std::string finish() { return std::move(out_) + " }"; }

 private:
  std::string out_;
  bool first_ = true;
};

struct InterventionText {
  std::string operator()(const intervention::Nudge& v) const {
    return RecordText("Nudge").field("message", v.message).field("reason", v.reason).finish();
  }
  std::string operator()(const intervention::Interject& v) const {
    return RecordText("Interject").field("message", v.message).field("reason", v.reason).finish();
  }
  std::string operator()(const intervention::Compact& v) const {
    return RecordText("Compact")
        .field("target_ratio", v.target_ratio)
        .field("layer", v.layer)
        .finish();
  }
  std::string operator()(const intervention::Pause& v) const {
    return RecordText("Pause")
        .field("reason", v.reason)
        .field("checkpoint_id", v.checkpoint_id)
        .finish();
  }
  std::string operator()(const intervention::Resume&) const { return "Resume"; }
  std::string operator()(const intervention::Escalate& v) const {
    return RecordText("Escalate")
        .field("new_model", v.new_model)
        .field("budget_increase", v.budget_increase)
        .field("reason", v.reason)
        .finish();
  }
  std::string operator()(const intervention::Fork& v) const {
    return RecordText("Fork").field("count", v.count).field("subtasks", v.subtasks).finish();
  }
  std::string operator()(const intervention::Reroute& v) const {
    return RecordText("Reroute").field("to_node", v.to_node).field("reason", v.reason).finish();
  }
  std::string operator()(const intervention::Rollback& v) const {
    return RecordText("Rollback")
        .field("checkpoint_id", v.checkpoint_id)
        .field("reason", v.reason)
        .finish();
  }
  std::string operator()(const intervention::Diversify& v) const {
    return RecordText("Diversify").field("alternative_approach", v.alternative_approach).finish();
  }
  std::string operator()(const intervention::Isolate& v) const {
    return RecordText("Isolate").field("level", v.level).field("reason", v.reason).finish();
  }
  std::string operator()(const intervention::CircuitBreak& v) const {
    return RecordText("CircuitBreak").field("reason", v.reason).finish();
  }
  std::string operator()(const intervention::Replace& v) const {
    return RecordText("Replace")
        .field("context_summary", v.context_summary)
        .field("new_model", v.new_model)
        .finish();
  }
  std::string operator()(const intervention::Degrade& v) const {
    return RecordText("Degrade").field("level", v.level).finish();
  }
  std::string operator()(const intervention::Quarantine& v) const {
    return RecordText("Quarantine").field("reason", v.reason).finish();
  }
};

}  // namespace

std::string text_of_string(std::string_view value) {
  std::string out = "\"";
  for (char c : value) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          out += fmt::format("\\u{{{:x}}}", static_cast<unsigned>(static_cast<unsigned char>(c)));
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string text_of_f64(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string out(buffer, end);
  if (out.find_first_of(".e") == std::string::npos) out += ".0";
  return out;
}

std::string to_text(Severity severity) {
  return std::string(severity_name(severity));
}

std::string to_text(const Intervention& intervention) {
  return std::visit(InterventionText{}, intervention);
}

std::string to_text(const StrategyResult& result) {
  return RecordText("StrategyResult")
      .field("strategy_name", result.strategy_name)
      .field("intervention", result.intervention)
      .field("priority", result.priority)
      .field("reasoning", result.reasoning)
      .field("confidence", result.confidence)
      .finish();
}

}  // namespace brask::core
