#include "brask/server/http/cors.h"

namespace brask::server::http {

bool is_preflight(const Request& request) {
  return request.method == "OPTIONS" && request.headers.contains("access-control-request-method");
}

Response preflight_response() {
  Response response;
  // The connection adds the headers of every answer (origin, exposed headers) on top.
  response.headers = {{"access-control-allow-methods", "*"}, {"access-control-allow-headers", "*"}};
  return response;
}

void add_cors_headers(Response& response) {
  response.headers.emplace_back("access-control-allow-origin", "*");
  response.headers.emplace_back("access-control-expose-headers", "*");
  response.headers.emplace_back(
      "vary", "origin, access-control-request-method, access-control-request-headers");
}

}  // namespace brask::server::http
