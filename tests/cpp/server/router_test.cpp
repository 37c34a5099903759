#include "brask/server/http/router.h"

#include <gtest/gtest.h>

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/use_future.hpp>

namespace brask::server::http {
namespace {

// A handler that answers with its own name, so a match can be told apart by running it.
Handler named(std::string name) {
  return
      [name](Context&) -> boost::asio::awaitable<Response> { co_return Response::text(200, name); };
}

std::string run(const Handler& handler) {
  boost::asio::io_context context;
  Request request;
  Context ctx{request, {}};
  auto done = boost::asio::co_spawn(context, handler(ctx), boost::asio::use_future);
  context.run();
  return done.get().body;
}

class RouterTest : public ::testing::Test {
 protected:
  RouterTest() {
    router.route("GET", "/api/v1/sessions", named("list"))
        .route("POST", "/api/v1/sessions", named("create"))
        .route("GET", "/api/v1/sessions/{id}", named("get"))
        .route("DELETE", "/api/v1/sessions/{id}", named("delete"))
        .route("GET", "/api/v1/sessions/{id}/stream", named("stream"))
        .route("GET", "/api/v1/skills/{name}", named("skill"))
        .route("POST", "/api/v1/skills/compose", named("compose"))
        .route("GET", "/", named("index"))
        .fallback(named("fallback"));
  }

  // "handler name", "405:<allow>" or "fallback", whichever the path leads to.
  std::string outcome(std::string_view method, std::string_view path) {
    auto match = router.match(method, path);
    if (auto* found = std::get_if<Router::Found>(&match)) {
      return run(std::get<Handler>(*found->target));
    }
    if (auto* refused = std::get_if<Router::MethodNotAllowed>(&match)) {
      return "405:" + refused->allow;
    }
    return run(*std::get<Router::Fallback>(match).handler);
  }

  Router router;
};

TEST_F(RouterTest, PicksHandlerByPathAndMethod) {
  struct Case {
    const char* method;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"GET", "/api/v1/sessions", "list"},
      {"POST", "/api/v1/sessions", "create"},
      {"PUT", "/api/v1/sessions", "405:GET,HEAD,POST"},
      {"GET", "/api/v1/sessions/abc", "get"},
      {"DELETE", "/api/v1/sessions/abc", "delete"},
      {"POST", "/api/v1/sessions/abc", "405:GET,HEAD,DELETE"},
      {"GET", "/api/v1/sessions/abc/stream", "stream"},
      {"HEAD", "/api/v1/sessions", "list"},
      // The literal route wins over the parameter one, even for a method only the latter has.
      {"GET", "/api/v1/skills/compose", "405:POST"},
      {"POST", "/api/v1/skills/compose", "compose"},
      {"GET", "/api/v1/skills/other", "skill"},
      // A trailing slash is an extra, empty segment: nothing matches it.
      {"GET", "/api/v1/sessions/", "fallback"},
      {"GET", "/api/v1/sessions/abc/", "fallback"},
      {"GET", "/api/v1/sessions//stream", "fallback"},
      {"GET", "/no/such/page", "fallback"},
      {"POST", "/anything", "fallback"},
      {"GET", "/", "index"},
      {"POST", "/", "405:GET,HEAD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(outcome(c.method, c.path), c.expected) << c.method << " " << c.path;
  }
}

TEST_F(RouterTest, HandsOverRawParameterSegments) {
  auto match = router.match("GET", "/api/v1/sessions/a%20b/stream");
  auto* found = std::get_if<Router::Found>(&match);
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(found->raw_params.size(), 1U);
  EXPECT_EQ(found->raw_params[0].first, "id");
  EXPECT_EQ(found->raw_params[0].second, "a%20b");
}

TEST_F(RouterTest, RefusesTheSameMethodTwiceOnOnePattern) {
  EXPECT_THROW(router.route("GET", "/api/v1/sessions/{other}", named("again")), std::logic_error);
}

}  // namespace
}  // namespace brask::server::http
