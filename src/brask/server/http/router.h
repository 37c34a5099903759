#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "brask/server/http/message.h"

namespace brask::server::http {

// Path router: literal and `{param}` segments, one handler per method. A literal segment beats a
// parameter at the same position; a trailing slash is a segment of its own, so it matches nothing
// that lacks it.
class Router {
 public:
  using Target = std::variant<Handler, SocketHandler>;

  // Registers `method` on `pattern`; a pattern may be registered once per method.
  Router& route(std::string_view method, std::string_view pattern, Target target);
  Router& fallback(Handler handler);

  struct Found {
    const Target* target;
    std::vector<std::pair<std::string, std::string>> raw_params;  // still percent-encoded
  };
  struct MethodNotAllowed {
    std::string allow;  // the listed methods, comma separated, for the Allow header
  };
  struct Fallback {
    const Handler* handler;
  };
  using Match = std::variant<Found, MethodNotAllowed, Fallback>;

  Match match(std::string_view method, std::string_view path) const;

 private:
  struct Segment {
    std::string text;
    bool is_param = false;
  };
  struct Entry {
    std::vector<Segment> segments;
    std::vector<std::pair<std::string, Target>> methods;
  };

  // How well a pattern fits: nullopt for no fit; otherwise one flag per segment (true = literal),
  // compared lexicographically so that the earliest literal decides.
  std::optional<std::vector<bool>> fit(const Entry& entry,
                                       const std::vector<std::string_view>& parts) const;

  std::vector<Entry> entries_;
  Handler fallback_;
};

// Splits a path at '/' after its leading slash: "/a/b/" gives "a", "b", "".
std::vector<std::string_view> split_path(std::string_view path);

}  // namespace brask::server::http
