#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "brask/core/observation.h"
#include "brask/core/unicode.h"

namespace brask::core {
namespace {

TEST(Observation, MembersWriteAsSortedJson) {
  Observation record("latency");
  record.set_number("p95_ms", 30.0).set_count("count", 3).set_number("p50_ms", 20.0);
  EXPECT_EQ(record.to_json().dump(),
            R"({"count":3,"dimension":"latency","p50_ms":20.0,"p95_ms":30.0})");
  record.set_count("count", 4);  // replacing keeps one member
  EXPECT_EQ(record.get_unsigned("count"), 4u);
  EXPECT_EQ(record.members().size(), 4u);
}

TEST(Observation, FindsEveryKeyItHoldsAndNoOther) {
  // More keys than the 64-bit key summary has bits, so bits are shared and the text decides.
  std::vector<std::string_view> keys;
  for (int i = 0; i < 100; ++i) keys.push_back(intern_key("k" + std::to_string(i * 7)));
  Observation record;
  for (std::size_t i = 0; i < keys.size(); i += 2) record.set_count(keys[i], i);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(std::string(keys[i]));
    if (i % 2 == 0) {
      EXPECT_EQ(record.get_unsigned(keys[i]), i);
    } else {
      EXPECT_EQ(record.find(keys[i]), nullptr);
    }
  }
  EXPECT_EQ(record.find(""), nullptr);
  record.set_count(keys[0], 99);  // replacing an existing key adds no member
  EXPECT_EQ(record.members().size(), 50u);
  EXPECT_EQ(record.get_unsigned(keys[0]), 99u);
}

TEST(Observation, ReadsMembersByKind) {
  auto record = Observation::from_json(nlohmann::json::parse(
      R"({"s":"text","u":7,"neg":-2,"f":1.5,"list":["a","b"],"mixed":[1,"a"],"obj":{"x":1}})"));
  EXPECT_EQ(record.get_string("s"), "text");
  EXPECT_EQ(record.get_string("u"), std::nullopt);  // a number where a string is expected
  EXPECT_EQ(record.get_number("u"), 7.0);
  EXPECT_EQ(record.get_number("neg"), -2.0);
  EXPECT_EQ(record.get_number("f"), 1.5);
  EXPECT_EQ(record.get_number("s"), std::nullopt);
  EXPECT_EQ(record.get_unsigned("u"), 7u);
  EXPECT_EQ(record.get_unsigned("neg"), std::nullopt);  // negative integer
  EXPECT_EQ(record.get_unsigned("f"), std::nullopt);    // fractional number
  EXPECT_EQ(record.get_unsigned("absent"), std::nullopt);
  ASSERT_NE(record.get_string_list("list"), nullptr);
  EXPECT_EQ(record.get_string_list("list")->size(), 2u);
  EXPECT_EQ(record.get_string_list("mixed"), nullptr);
  EXPECT_EQ(record.to_json(), nlohmann::json::parse(R"({"s":"text","u":7,"neg":-2,"f":1.5,
      "list":["a","b"],"mixed":[1,"a"],"obj":{"x":1}})"));
}

TEST(Observation, ReplacingAMemberChangesItsKind) {
  Observation record("probe");
  record.set_text("v", "first").set_count("v", 3);
  EXPECT_EQ(record.get_string("v"), std::nullopt);
  EXPECT_EQ(record.get_unsigned("v"), 3u);
  record.set_texts("v", {"a", "b"}).set_text("v", "second");  // a stored value replaced in place
  EXPECT_EQ(record.get_string("v"), "second");
  EXPECT_EQ(record.get_string_list("v"), nullptr);
  record.set("v", nlohmann::json::array({1, "x"})).set_number("w", 0.5);
  EXPECT_EQ(record.to_json(),
            nlohmann::json::parse(R"({"dimension":"probe","v":[1,"x"],"w":0.5})"));
  EXPECT_EQ(record.members().size(), 3u);
}

TEST(Observation, CopiesAndMovesKeepTheirOwnValues) {
  Observation original("probe");
  original.set_text("alert", "secret_leak").set_texts("patterns", {"sk-"}).set_count("n", 1);
  for (int extra = 0; extra < 8; ++extra)
    original.set_count(intern_key("x" + std::to_string(extra)), 2);
  const auto expected = original.to_json();

  Observation copy = original;
  original.set_text("alert", "changed").set_texts("patterns", {}).set_count("n", 9);
  EXPECT_EQ(copy.to_json(), expected);

  Observation assigned;
  assigned = copy;
  Observation moved = std::move(copy);
  EXPECT_EQ(moved.to_json(), expected);
  EXPECT_EQ(assigned.to_json(), expected);
  EXPECT_EQ(moved.get_string("alert"), "secret_leak");
  EXPECT_EQ(moved.get_string("dimension"), "probe");
}

TEST(Observation, NonObjectValuesHaveNoMembers) {
  for (const auto& json : {nlohmann::json(3), nlohmann::json("x"), nlohmann::json::array()}) {
    auto record = Observation::from_json(json);
    EXPECT_FALSE(record.is_object());
    EXPECT_EQ(record.get_number("x"), std::nullopt);
    EXPECT_EQ(record.to_json(), json);
  }
}

TEST(Unicode, LowerCasesFully) {
  EXPECT_EQ(to_lower_unicode("IGNORE Previous"), "ignore previous");
  EXPECT_EQ(to_lower_unicode("\xce\x9f\xce\x94\xce\x9f\xce\xa3"),  // ΟΔΟΣ: final sigma
            "\xce\xbf\xce\xb4\xce\xbf\xcf\x82");
  EXPECT_EQ(to_lower_unicode("\xc4\xb0"), "i\xcc\x87");  // İ becomes i + combining dot
  EXPECT_EQ(to_lower_unicode("\xc3\x89T\xc3\x89"), "\xc3\xa9t\xc3\xa9");
}

TEST(Unicode, PrefixesNeverSplitACharacter) {
  const std::string text = "ab\xc3\xa9\xe2\x80\x94z";  // a b é — z
  EXPECT_EQ(utf8_prefix_bytes(text, 3), "ab");
  EXPECT_EQ(utf8_prefix_bytes(text, 4), "ab\xc3\xa9");
  EXPECT_EQ(utf8_prefix_bytes(text, 6), "ab\xc3\xa9");
  EXPECT_EQ(utf8_prefix_bytes(text, 100), text);
  EXPECT_EQ(utf8_prefix_chars(text, 3), "ab\xc3\xa9");
  EXPECT_EQ(utf8_prefix_chars(text, 4), "ab\xc3\xa9\xe2\x80\x94");
  EXPECT_EQ(utf8_prefix_chars(text, 5), text);
  EXPECT_EQ(utf8_prefix_chars(text, 0), "");
}

}  // namespace
}  // namespace brask::core
