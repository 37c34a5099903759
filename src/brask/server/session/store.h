#pragma once
namespace brask::server::session {
struct SessionStore {};
inline SessionStore new_store() {
  return {};
}
}  // namespace brask::server::session
