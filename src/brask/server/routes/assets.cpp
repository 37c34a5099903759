#include "brask/server/routes/assets.h"

#include "brask/server/assets.h"
#include "brask/server/texts.h"

namespace brask::server::routes {

boost::asio::awaitable<http::Response> serve_index(http::Context&) {
  co_return http::Response::bytes(texts::kTypeHtml, assets::index_html());
}

boost::asio::awaitable<http::Response> serve_css(http::Context&) {
  co_return http::Response::bytes(texts::kTypeCss, assets::style_css());
}

boost::asio::awaitable<http::Response> serve_js(http::Context&) {
  co_return http::Response::bytes(texts::kTypeJs, assets::app_js());
}

}  // namespace brask::server::routes
