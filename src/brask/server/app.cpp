// The route table, in registration order. Later areas add their rows here and nowhere else.
#include "brask/server/app.h"

#include "brask/server/routes/assets.h"

namespace brask::server {

std::shared_ptr<const http::Router> create_app(session::SessionStore store) {
  auto state = std::make_shared<const AppState>(AppState{std::move(store)});

  auto router = std::make_shared<http::Router>();
  (*router)
      .route("GET", "/style.css", http::Handler(routes::serve_css))
      .route("GET", "/app.js", http::Handler(routes::serve_js))
      .route("GET", "/", http::Handler(routes::serve_index))
      .fallback(http::Handler(routes::serve_index));
  return router;
}

}  // namespace brask::server
