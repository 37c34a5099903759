#pragma once

#include "brask/server/http/message.h"

// The permissive cross-origin layer around the whole router: any origin, method and header,
// every response header exposed.
namespace brask::server::http {

bool is_preflight(const Request& request);
Response preflight_response();
void add_cors_headers(Response& response);

}  // namespace brask::server::http
