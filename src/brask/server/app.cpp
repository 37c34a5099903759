// The route table, in registration order. Later areas add their rows here and nowhere else.
#include "brask/server/app.h"

#include "brask/server/routes/assets.h"
#include "brask/server/routes/sessions.h"
#include "brask/server/routes/stream.h"
#include "brask/server/ws/handler.h"

namespace brask::server {

std::shared_ptr<const http::Router> create_app(session::SessionStore store) {
  auto state = std::make_shared<const AppState>(AppState{std::move(store)});
  // Binds a handler of the form f(state, context) to the shared state.
  const auto with = [state](auto handler) {
    return http::Handler(
        [state, handler](http::Context& context) { return handler(*state, context); });
  };

  auto router = std::make_shared<http::Router>();
  (*router)
      .route("GET", "/api/v1/sessions", with(routes::sessions::list))
      .route("POST", "/api/v1/sessions", with(routes::sessions::create))
      .route("GET", "/api/v1/sessions/{id}", with(routes::sessions::get))
      .route("DELETE", "/api/v1/sessions/{id}", with(routes::sessions::remove))
      .route("GET", "/api/v1/sessions/{id}/stream", with(routes::stream::session_stream))
      .route("GET", "/api/v1/sessions/{id}/checkpoints", with(routes::sessions::checkpoints))
      .route("POST", "/api/v1/sessions/{id}/pause", with(routes::sessions::pause))
      .route("POST", "/api/v1/sessions/{id}/resume", with(routes::sessions::resume))
      .route("GET", "/ws", http::SocketHandler([state](std::shared_ptr<http::WebSocket> socket) {
               return ws::handle_socket(*state, std::move(socket));
             }))
      .route("GET", "/style.css", http::Handler(routes::serve_css))
      .route("GET", "/app.js", http::Handler(routes::serve_js))
      .route("GET", "/", http::Handler(routes::serve_index))
      .fallback(http::Handler(routes::serve_index));
  return router;
}

}  // namespace brask::server
