#include "brask/server/http/readers.h"

#include <gtest/gtest.h>

#include <string>

namespace brask::server::http {
namespace {

Request json_request(std::string body, std::string content_type = "application/json") {
  Request request;
  request.method = "POST";
  request.headers["content-type"] = std::move(content_type);
  request.body = std::move(body);
  return request;
}

TEST(JsonBodyReader, AcceptsJsonContentTypesAndValues) {
  for (const char* type : {"application/json", "application/json; charset=utf-8",
                           "Application/JSON", "application/merge-patch+json"}) {
    auto value = read_json_body(json_request(R"({"a": [1, "é"]})", type));
    ASSERT_TRUE(value) << type;
    EXPECT_EQ((*value)["a"][1], "é");
  }
  auto scalar = read_json_body(json_request("42"));
  ASSERT_TRUE(scalar);
  EXPECT_EQ(*scalar, 42);
}

TEST(JsonBodyReader, RejectsWithClientErrors) {
  struct Case {
    std::string body;
    std::string content_type;
    unsigned status;
  };
  const std::string deep_ok = std::string(64, '[') + std::string(64, ']');
  const std::string too_deep = std::string(65, '[') + std::string(65, ']');
  // Brackets inside strings are text, not nesting.
  const std::string brackets_in_text = "[\"" + std::string(200, '[') + "\"]";
  const Case cases[] = {
      {"{}", "", 415},
      {"{}", "text/plain", 415},
      {"{}", "application/jsonx", 415},
      {"{", "application/json", 400},
      {"", "application/json", 400},
      {"{\"a\": 1} trailing", "application/json", 400},
      {"\"\xff\"", "application/json", 400},      // invalid UTF-8 in a string
      {"\"\xc0\xaf\"", "application/json", 400},  // overlong encoding
      {"\"\\ud800\"", "application/json", 400},   // lone surrogate escape
      {too_deep, "application/json", 400},
      {std::string(100000, '['), "application/json", 400},
  };
  for (const auto& c : cases) {
    auto value = read_json_body(json_request(c.body, c.content_type));
    ASSERT_FALSE(value) << c.body.substr(0, 20) << " / " << c.content_type;
    EXPECT_EQ(value.error().status, c.status) << c.body.substr(0, 20);
  }
  EXPECT_TRUE(read_json_body(json_request(deep_ok)));
  EXPECT_TRUE(read_json_body(json_request(brackets_in_text)));
}

TEST(PercentDecode, DecodesOrRefuses) {
  EXPECT_EQ(percent_decode("a%20b%2Fc", false).value(), "a b/c");
  EXPECT_EQ(percent_decode("a+b", false).value(), "a+b");
  EXPECT_EQ(percent_decode("a+b", true).value(), "a b");
  EXPECT_EQ(percent_decode("%C3%A9", false).value(), "é");
  for (const char* bad : {"%", "%2", "%zz", "a%g0", "%FF", "%C3", "%ED%A0%80"}) {
    EXPECT_FALSE(percent_decode(bad, false)) << bad;
  }
}

TEST(QueryReader, ReadsPairsMapsAndTypedFields) {
  Request request;
  request.query = "type=tool_call_start&x=1&x=2&empty=&flag&a%20b=c+d";
  auto pairs = read_query_pairs(request);
  ASSERT_TRUE(pairs);
  EXPECT_EQ(pairs->size(), 6U);
  auto map = read_query_map(request);
  ASSERT_TRUE(map);
  EXPECT_EQ(
      *map,
      (std::map<std::string, std::string>{
          {"type", "tool_call_start"}, {"x", "2"}, {"empty", ""}, {"flag", ""}, {"a b", "c d"}}));

  auto fields = read_query_fields(request, {"type", "format"});
  ASSERT_TRUE(fields);
  EXPECT_EQ(*fields, (std::map<std::string, std::string>{{"type", "tool_call_start"}}));

  auto twice = read_query_fields(request, {"x"});
  ASSERT_FALSE(twice);
  EXPECT_EQ(twice.error().status, 400U);

  request.query = "format=%zz";
  auto undecodable = read_query_map(request);
  ASSERT_FALSE(undecodable);
  EXPECT_EQ(undecodable.error().status, 400U);
}

TEST(PathReader, DecodesParametersOrAnswers400) {
  Request request;
  request.path = "/api/v1/sessions/a%2Fb";
  auto params = read_path_params(request, {{"id", "a%2Fb"}});
  ASSERT_TRUE(params);
  EXPECT_EQ(params->at("id"), "a/b");
  auto bad = read_path_params(request, {{"id", "%FF"}});
  ASSERT_FALSE(bad);
  EXPECT_EQ(bad.error().status, 400U);
}

}  // namespace
}  // namespace brask::server::http
