#include "brask/server/http/readers.h"

#include <fmt/format.h>

#include "brask/server/texts.h"

namespace brask::server::http {
namespace {

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_utf8(std::string_view text) {
  std::size_t i = 0;
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  while (i < text.size()) {
    const unsigned char c = byte(i);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

// Deepest nesting of arrays and objects, scanning outside strings. Runs before the parser so
// that hostile input is refused before any tree is built.
std::size_t json_depth(std::string_view text) {
  std::size_t depth = 0;
  std::size_t deepest = 0;
  bool in_string = false;
  bool escaped = false;
  for (char c : text) {
    if (in_string) {
      if (escaped) {
        escaped = false;
      } else if (c == '\\') {
        escaped = true;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      deepest = std::max(deepest, ++depth);
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return deepest;
}

bool is_json_content_type(std::string_view value) {
  const auto semi = value.find(';');
  auto mime = value.substr(0, semi);
  while (!mime.empty() && mime.back() == ' ') mime.remove_suffix(1);
  while (!mime.empty() && mime.front() == ' ') mime.remove_prefix(1);
  std::string lower;
  for (char c : mime) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  const auto slash = lower.find('/');
  if (slash == std::string::npos || lower.substr(0, slash) != "application") return false;
  const auto sub = std::string_view(lower).substr(slash + 1);
  return sub == "json" || sub.ends_with("+json");
}

Response query_error(std::string_view detail) {
  return Response::text(400, fmt::format(fmt::runtime(texts::kErrBadQuery), detail));
}

}  // namespace

Read<nlohmann::json> read_json_body(const Request& request) {
  if (!is_json_content_type(request.header("content-type"))) {
    return std::unexpected(Response::text(415, std::string(texts::kErrNotJsonType)));
  }
  if (json_depth(request.body) > kMaxJsonDepth) {
    return std::unexpected(
        Response::text(400, fmt::format(fmt::runtime(texts::kErrTooDeep), kMaxJsonDepth)));
  }
  // The parser rejects ill-formed UTF-8 inside strings, and any stray byte outside them.
  try {
    return nlohmann::json::parse(request.body);
  } catch (const nlohmann::json::exception& e) {
    return std::unexpected(
        Response::text(400, fmt::format(fmt::runtime(texts::kErrBadJson), e.what())));
  }
}

std::optional<nlohmann::json> parse_json_text(std::string_view text) {
  if (json_depth(text) > kMaxJsonDepth) return std::nullopt;
  auto value = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::expected<std::string, std::string_view> percent_decode(std::string_view text,
                                                            bool plus_is_space) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '%') {
      const int hi = i + 2 < text.size() ? hex_value(text[i + 1]) : -1;
      const int lo = hi >= 0 ? hex_value(text[i + 2]) : -1;
      if (lo < 0) return std::unexpected(texts::kErrBadEscape);
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else if (c == '+' && plus_is_space) {
      out += ' ';
    } else {
      out += c;
    }
  }
  if (!is_utf8(out)) return std::unexpected(texts::kErrBadUtf8);
  return out;
}

Read<std::vector<std::pair<std::string, std::string>>> read_query_pairs(const Request& request) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string_view rest = request.query;
  while (!rest.empty()) {
    const auto amp = rest.find('&');
    const auto pair = rest.substr(0, amp);
    rest = amp == std::string_view::npos ? std::string_view{} : rest.substr(amp + 1);
    if (pair.empty()) continue;
    const auto eq = pair.find('=');
    auto name = percent_decode(pair.substr(0, eq), true);
    auto value = percent_decode(eq == std::string_view::npos ? "" : pair.substr(eq + 1), true);
    if (!name) return std::unexpected(query_error(name.error()));
    if (!value) return std::unexpected(query_error(value.error()));
    pairs.emplace_back(std::move(*name), std::move(*value));
  }
  return pairs;
}

Read<std::map<std::string, std::string>> read_query_map(const Request& request) {
  auto pairs = read_query_pairs(request);
  if (!pairs) return std::unexpected(std::move(pairs.error()));
  std::map<std::string, std::string> map;
  for (auto& [name, value] : *pairs) map[name] = std::move(value);
  return map;
}

Read<std::map<std::string, std::string>> read_query_fields(
    const Request& request, std::initializer_list<std::string_view> names) {
  auto pairs = read_query_pairs(request);
  if (!pairs) return std::unexpected(std::move(pairs.error()));
  std::map<std::string, std::string> fields;
  for (auto& [name, value] : *pairs) {
    bool wanted = false;
    for (auto n : names) wanted = wanted || n == name;
    if (!wanted) continue;
    if (fields.contains(name)) {
      return std::unexpected(
          query_error(fmt::format(fmt::runtime(texts::kErrDuplicateQuery), name)));
    }
    fields.emplace(std::move(name), std::move(value));
  }
  return fields;
}

Read<Params> read_path_params(const Request& request,
                              const std::vector<std::pair<std::string, std::string>>& raw) {
  Params params;
  for (const auto& [name, text] : raw) {
    auto decoded = percent_decode(text, false);
    if (!decoded) {
      return std::unexpected(Response::text(
          400, fmt::format(fmt::runtime(texts::kErrBadPath), request.path, decoded.error())));
    }
    params.emplace(name, std::move(*decoded));
  }
  return params;
}

}  // namespace brask::server::http
