#include "brask/server/http/message.h"

#include "brask/server/texts.h"

namespace brask::server::http {

std::string_view Request::header(std::string_view lower_name) const {
  const auto found = headers.find(std::string(lower_name));
  return found == headers.end() ? std::string_view{} : std::string_view(found->second);
}

Response Response::json(const nlohmann::json& value, unsigned status) {
  Response response;
  response.status = status;
  response.content_type = texts::kTypeJson;
  // Invalid UTF-8 in a stored text is written with replacement characters, never an exception.
  response.body = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return response;
}

Response Response::text(unsigned status, std::string body) {
  Response response;
  response.status = status;
  response.content_type = texts::kTypeText;
  response.body = std::move(body);
  return response;
}

Response Response::bytes(std::string_view content_type, std::string_view body) {
  Response response;
  response.content_type = content_type;
  response.body = body;
  return response;
}

}  // namespace brask::server::http
