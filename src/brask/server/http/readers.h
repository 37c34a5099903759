#pragma once

#include <cstddef>
#include <expected>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "brask/server/http/message.h"

// Request readers. Each either gives the handler its typed input or the client-error answer that
// the connection sends instead of running the handler.
namespace brask::server::http {

template <typename T>
using Read = std::expected<T, Response>;

inline constexpr std::size_t kMaxJsonDepth = 64;

// The body as JSON: 415 unless the content type is application/json (or a +json type),
// 400 for text that is not JSON (including invalid UTF-8) or nests deeper than kMaxJsonDepth.
Read<nlohmann::json> read_json_body(const Request& request);

// Text as JSON, for messages that are not request bodies; nullopt for text that is not JSON or
// nests deeper than kMaxJsonDepth.
std::optional<nlohmann::json> parse_json_text(std::string_view text);

// Percent-decoding of one path segment ('+' stays '+'); nullopt-like failure for a malformed
// escape or a result that is not UTF-8.
std::expected<std::string, std::string_view> percent_decode(std::string_view text,
                                                            bool plus_is_space);

// The query string as decoded name/value pairs in order; 400 when a pair cannot be decoded.
Read<std::vector<std::pair<std::string, std::string>>> read_query_pairs(const Request& request);

// The query string as a map of texts (a repeated name keeps its last value).
Read<std::map<std::string, std::string>> read_query_map(const Request& request);

// The query string read into the named optional text parameters; 400 when one of them is given
// twice. Other names are ignored.
Read<std::map<std::string, std::string>> read_query_fields(
    const Request& request, std::initializer_list<std::string_view> names);

// The path parameters of a route match, decoded; 400 when one cannot be decoded.
Read<Params> read_path_params(const Request& request,
                              const std::vector<std::pair<std::string, std::string>>& raw);

}  // namespace brask::server::http
