#include "brask/server/http/router.h"

#include <stdexcept>

namespace brask::server::http {

std::vector<std::string_view> split_path(std::string_view path) {
  std::vector<std::string_view> parts;
  if (path.starts_with('/')) path.remove_prefix(1);
  for (;;) {
    const auto slash = path.find('/');
    parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

Router& Router::route(std::string_view method, std::string_view pattern, Target target) {
  std::vector<Segment> segments;
  for (auto part : split_path(pattern)) {
    const bool param = part.size() >= 2 && part.front() == '{' && part.back() == '}';
    segments.push_back({std::string(param ? part.substr(1, part.size() - 2) : part), param});
  }
  Entry* entry = nullptr;
  for (auto& e : entries_) {
    bool same = e.segments.size() == segments.size();
    for (std::size_t i = 0; same && i < segments.size(); ++i) {
      same = e.segments[i].is_param == segments[i].is_param &&
             (segments[i].is_param || e.segments[i].text == segments[i].text);
    }
    if (same) entry = &e;
  }
  if (entry == nullptr) entry = &entries_.emplace_back(Entry{std::move(segments), {}});
  for (const auto& [m, t] : entry->methods) {
    // A programming error in the route table, caught the first time the server is built.
    if (m == method) throw std::logic_error("route registered twice: " + std::string(pattern));
  }
  entry->methods.emplace_back(std::string(method), std::move(target));
  return *this;
}

Router& Router::fallback(Handler handler) {
  fallback_ = std::move(handler);
  return *this;
}

std::optional<std::vector<bool>> Router::fit(const Entry& entry,
                                             const std::vector<std::string_view>& parts) const {
  if (entry.segments.size() != parts.size()) return std::nullopt;
  std::vector<bool> score;
  score.reserve(parts.size());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto& seg = entry.segments[i];
    if (seg.is_param) {
      if (parts[i].empty()) return std::nullopt;  // a parameter needs at least one character
      score.push_back(false);
    } else {
      if (seg.text != parts[i]) return std::nullopt;
      score.push_back(true);
    }
  }
  return score;
}

Router::Match Router::match(std::string_view method, std::string_view path) const {
  const auto parts = split_path(path);
  const Entry* best = nullptr;
  std::vector<bool> best_score;
  for (const auto& entry : entries_) {
    auto score = fit(entry, parts);
    if (score && (best == nullptr || *score > best_score)) {
      best = &entry;
      best_score = std::move(*score);
    }
  }
  if (best == nullptr) return Fallback{&fallback_};
  for (const auto& [m, target] : best->methods) {
    // HEAD is answered by the GET handler, as HTTP servers do.
    if (m == method || (method == "HEAD" && m == "GET")) {
      Found found{&target, {}};
      for (std::size_t i = 0; i < parts.size(); ++i) {
        if (best->segments[i].is_param) {
          found.raw_params.emplace_back(best->segments[i].text, std::string(parts[i]));
        }
      }
      return found;
    }
  }
  MethodNotAllowed refused;
  for (const auto& [m, target] : best->methods) {
    if (!refused.allow.empty()) refused.allow += ",";
    refused.allow += m;
    if (m == "GET") refused.allow += ",HEAD";
  }
  return refused;
}

}  // namespace brask::server::http
