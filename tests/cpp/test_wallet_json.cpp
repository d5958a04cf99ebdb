// JSON values, the parser and the canonical writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "vorn/wallet/canonical.h"
#include "vorn/wallet/json.h"

using vorn::wallet::canonical_identity_data;
using vorn::wallet::canonical_json;
using vorn::wallet::compact_json;
using vorn::wallet::Json;
using vorn::wallet::parse_json;
using vorn::wallet::U128;

namespace {

const char* kFloats = "canonical_json: floats are not canonical";
const char* kInvalid = "canonical_json: invalid JSON";

std::string canon_or_error(std::string_view text) {
  auto r = canonical_json(text);
  return r ? *r : "ERROR " + r.error().msg;
}

// Concatenation by appending (GCC 12 warns falsely on "literal" + std::string).
std::string cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (auto p : parts) out.append(p);
  return out;
}

std::string nested_arrays(size_t depth, std::string_view inner = "") {
  return std::string(depth, '[') + std::string(inner) + std::string(depth, ']');
}

}  // namespace

TEST(CanonicalJson, RewritesToTheCanonicalForm) {
  struct Case { std::string in, out; } cases[] = {
      {R"({ "b": 1, "a": [true, null, "x"] })", R"({"a":[true,null,"x"],"b":1})"},
      {" \t\r\n 7 \n", "7"},
      {R"("bare")", R"("bare")"},
      {"null", "null"},
      {"[]", "[]"},
      {"{}", "{}"},
      {R"([ {} , [ ] , { "z" : { } } ])", R"([{},[],{"z":{}}])"},
      {R"({"k":"v","":0})", R"({"":0,"k":"v"})"},
      // Escapes in the input are decoded, then written by the table.
      {R"("\/\u00e9\u2028\ud83d\ude00")", "\"/\xc3\xa9\xe2\x80\xa8\xf0\x9f\x98\x80\""},
      {R"("\u000b\u001F\u0000\"\\")", R"("\u000b\u001f\u0000\"\\")"},
      {R"("\b\f\n\r\t")", R"("\b\f\n\r\t")"},
  };
  for (auto& c : cases) EXPECT_EQ(canon_or_error(c.in), c.out) << c.in;
}

TEST(CanonicalJson, SortsKeysByUtf8Bytes) {
  // Byte order: upper case before lower case, a prefix before its extensions,
  // non-ASCII last.
  EXPECT_EQ(canon_or_error(R"({"é":1,"aa":2,"a":3,"B":4})"), "{\"B\":4,\"a\":3,\"aa\":2,\"\xc3\xa9\":1}");
  // U+FF61 (EF BD A1) sorts before U+1F600 (F0 9F 98 80) in UTF-8, though its
  // UTF-16 form (FF61) sorts after the surrogate pair (D83D DE00).
  EXPECT_EQ(canon_or_error(R"({"\ud83d\ude00":1,"\uff61":2})"), "{\"\xef\xbd\xa1\":2,\"\xf0\x9f\x98\x80\":1}");
  // U+007F sorts after every other ASCII key byte used here, before any non-ASCII.
  EXPECT_EQ(canon_or_error("{\"\xc2\x80\":1,\"\x7f\":2,\"~\":3}"), "{\"~\":3,\"\x7f\":2,\"\xc2\x80\":1}");
  // Keys holding an escaped NUL compare by bytes too: "a" < "a\0" < "a\1".
  EXPECT_EQ(canon_or_error(R"({"a\u0001":1,"a\u0000":2,"a":3})"), R"({"a":3,"a\u0000":2,"a\u0001":1})");
}

TEST(CanonicalJson, KeepsTheLastOfDuplicateKeys) {
  struct Case { const char* in; const char* out; } cases[] = {
      {R"({"a":1,"b":2,"a":3})", R"({"a":3,"b":2})"},
      {R"({"a":1,"a":2,"a":3})", R"({"a":3})"},
      {R"({"a":{"x":1},"a":[2]})", R"({"a":[2]})"},
      {R"({"a":[2],"a":{"x":1,"x":null}})", R"({"a":{"x":null}})"},
      {R"([{"k":1,"k":2},{"k":3}])", R"([{"k":2},{"k":3}])"},
      // A float that is overwritten never reaches the writer.
      {R"({"a":1.5,"a":1})", R"({"a":1})"},
  };
  for (auto& c : cases) EXPECT_EQ(canon_or_error(c.in), c.out) << c.in;
}

TEST(CanonicalJson, AcceptsOnlyIntegerNumbers) {
  const std::string digits78 = "115792089237316195423570985008687907853269984665640564039457584007913129639935";
  const std::string digits400 = cat({"9", std::string(399, '0')});
  for (const std::string& ok : {std::string("0"), std::string("-7"), std::string("10"), digits78,
                                "-" + digits78, digits400, "-" + digits400}) {
    EXPECT_EQ(canon_or_error(ok), ok);
    EXPECT_EQ(canon_or_error("[" + ok + "]"), "[" + ok + "]");
  }
  for (const char* bad : {"1.0", "1e3", "1E3", "1e+3", "1e-3", "-0", "0.5", "-0.0", "0e0", "1e400", "-1e400",
                          "1e-400", "[1,2.5]", R"({"a":{"b":[0.1]}})"}) {
    EXPECT_EQ(canon_or_error(bad), std::string("ERROR ") + kFloats) << bad;
  }
}

TEST(CanonicalJson, CheckedNumberTextsOutsideTheParserGrammar) {
  // Numbers built by code, not read: the writer's own check decides.
  for (const char* ok : {"0", "-1", "123", "-9876543210"}) EXPECT_TRUE(vorn::wallet::is_canonical_integer(ok)) << ok;
  for (const char* bad : {"", "-", "+1", "01", "-01", "00", "-0", "1 ", " 1", "0x1", "1-", "--1", "1.", "١"})
    EXPECT_FALSE(vorn::wallet::is_canonical_integer(bad)) << bad;

  std::string out = "prefix";
  Json arr = Json::array();
  arr.push(Json::number_u64(5));
  arr.push(Json::number_text("+1"));
  auto st = vorn::wallet::write_canonical(arr, out);
  ASSERT_FALSE(st);
  EXPECT_EQ(st.error().msg, kFloats);
  EXPECT_EQ(out, "prefix");  // nothing appended on failure
  // The compact writer does not check numbers.
  EXPECT_EQ(compact_json(arr), "[5,+1]");
}

TEST(CanonicalJson, EscapesEveryControlCharacter) {
  const char* named[32] = {};
  named[0x08] = "\\b";
  named[0x09] = "\\t";
  named[0x0A] = "\\n";
  named[0x0C] = "\\f";
  named[0x0D] = "\\r";
  for (int c = 0; c < 0x20; ++c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\u%04x", c);
    std::string expected = std::string("\"") + (named[c] ? named[c] : hex) + "\"";
    std::string out;
    vorn::wallet::write_string(std::string(1, static_cast<char>(c)), out);
    EXPECT_EQ(out, expected) << c;
  }
  struct Case { std::string in, out; } cases[] = {
      {"\"", R"("\"")"},
      {"\\", R"("\\")"},
      {"/", R"("/")"},
      {"\x7f", "\"\x7f\""},
      {"\xc2\x85", "\"\xc2\x85\""},          // U+0085
      {"\xe2\x80\xa8\xe2\x80\xa9", "\"\xe2\x80\xa8\xe2\x80\xa9\""},  // U+2028, U+2029
      {"\xc3\xa9\xf0\x9f\x98\x80", "\"\xc3\xa9\xf0\x9f\x98\x80\""},
      {"a\x0b" "b\"c\\d\x1f", R"("a\u000bb\"c\\d\u001f")"},
      {"", R"("")"},
  };
  for (auto& c : cases) {
    std::string out;
    vorn::wallet::write_string(c.in, out);
    EXPECT_EQ(out, c.out);
  }
}

TEST(CanonicalJson, RefusesInvalidJson) {
  const std::string cases[] = {
      "", " ", "{", "}", "[1,]", "[1 2]", "{'a':1}", R"({"a"})", R"({"a":})", "{1:2}", "01", "1 2", "-", "+1",
      ".5", "1.", "1e", "nul", "NaN", "Infinity", "True", R"("abc)", "[1]x",
      std::string("[1]\0", 4), std::string("[1]\0[2]", 7), std::string("\"a\0b\"", 5),
      "\"\x01\"",                         // raw control character in a string
      "\"\t\"",
      "\xef\xbb\xbf{}",                   // byte order mark
      "\"\xff\"", "\"\xc3\"", "\"\xc0\x80\"", "\"\xe0\x80\x80\"",  // invalid or overlong UTF-8
      "\"\xed\xa0\x80\"",                 // a surrogate encoded as UTF-8
      "\"\xf4\x90\x80\x80\"",             // beyond U+10FFFF
      "{\"\xff\":1}",                      // invalid UTF-8 in a key
      R"("\ud800")", R"("\udc00")", R"("\ud800\u0041")", R"("\udc00\ud800")", R"({"\udfff":1})",
      R"("\x41")", R"("\u12")", R"("\u12g4")",
      cat({"[", std::string(400, '9'), ",]"}),  // a long number in an otherwise broken text
      "{\"a\":" + std::string(400, '1') + "}}",
  };
  for (const std::string& c : cases) EXPECT_EQ(canon_or_error(c), std::string("ERROR ") + kInvalid) << c;
}

TEST(CanonicalJson, LongNumbersKeepTheirTextAmongStringsThatLookLikeNumbers) {
  const std::string big = std::string(350, '7');
  const std::string text = "{\"k\\\"1e400\": [\"-" + big + "\", -" + big + ", 12, \"\\\\\", " + big +
                           ", {\"1e999\": 0}], \"z\": -" + big + "}";
  EXPECT_EQ(canon_or_error(text), "{\"k\\\"1e400\":[\"-" + big + "\",-" + big + ",12,\"\\\\\"," + big +
                                      ",{\"1e999\":0}],\"z\":-" + big + "}");
}

TEST(JsonParser, NestingUpTo128LevelsOnly) {
  EXPECT_EQ(canon_or_error(nested_arrays(128, "1")), nested_arrays(128, "1"));
  std::string objects;
  for (int i = 0; i < 128; ++i) objects += "{\"a\":";
  objects += cat({"1", std::string(128, '}')});
  EXPECT_EQ(canon_or_error(objects), objects);

  for (size_t depth : {129, 1000, 100000}) {
    auto r = parse_json(nested_arrays(depth));
    ASSERT_FALSE(r) << depth;
    EXPECT_EQ(r.error().msg, "nesting deeper than 128 levels at byte 128") << depth;
    EXPECT_EQ(canon_or_error(nested_arrays(depth)), std::string("ERROR ") + kInvalid);
  }
  // Unbalanced deep input fails the same way, before the missing brackets matter.
  EXPECT_FALSE(parse_json(std::string(100000, '[')));
  std::string deep_objects;
  for (int i = 0; i < 100000; ++i) deep_objects += "{\"a\":";
  EXPECT_FALSE(parse_json(deep_objects));
}

TEST(JsonParser, DescribesFailuresWithTheirBytePosition) {
  struct Case { std::string in; const char* description; } cases[] = {
      {"", "the document is empty at byte 0"},
      {"{", "missing a name for object member at byte 1"},
      {"[1,]", "invalid value at byte 3"},
      {"[1]x", "the document root must not be followed by other values at byte 3"},
      {std::string("[1]\0", 4), "the document root must not be followed by other values at byte 3"},
      {"\"\xff\"", "invalid encoding in string at byte 1"},
      {R"(["\udc00"])", "unicode escape leaves a lone surrogate at byte 9"},
  };
  for (auto& c : cases) {
    auto r = parse_json(c.in);
    ASSERT_FALSE(r) << c.in;
    EXPECT_EQ(r.error().msg, c.description) << c.in;
    EXPECT_FALSE(r.error().panic);
  }
}

TEST(CanonicalIdentityData, RequiresAnObject) {
  struct Case { const char* in; const char* out; } cases[] = {
      {R"({"name":"Ann","dob":19900101})", R"({"dob":19900101,"name":"Ann"})"},
      {"[1]", "ERROR canonical_identity_data: expected a JSON object"},
      {"\"{}\"", "ERROR canonical_identity_data: expected a JSON object"},
      {"null", "ERROR canonical_identity_data: expected a JSON object"},
      {"{", "ERROR canonical_identity_data: invalid JSON"},
      {"{} {}", "ERROR canonical_identity_data: invalid JSON"},
      {R"({"h":1.5})", "ERROR canonical_json: floats are not canonical"},
  };
  for (auto& c : cases) {
    auto r = canonical_identity_data(c.in);
    EXPECT_EQ(r ? *r : "ERROR " + r.error().msg, c.out) << c.in;
  }
}

TEST(JsonValue, BuildsSortedObjectsAndExactIntegers) {
  Json o;
  o.set("b", Json::number_u64(18446744073709551615ull));
  o.set("a", Json::boolean(false));
  o.set("c", Json::number_u128(~U128(0)));
  o.set("a", Json::string("again"));
  o.set("arr", Json::array()).push(Json::null());
  EXPECT_EQ(compact_json(o),
            R"({"a":"again","arr":[null],"b":18446744073709551615,"c":340282366920938463463374607431768211455})");
  ASSERT_NE(o.find("b"), nullptr);
  EXPECT_EQ(*o.find("b")->as_number_text(), "18446744073709551615");
  EXPECT_EQ(o.find("zz"), nullptr);
  EXPECT_EQ(Json::string("x").find("x"), nullptr);
  EXPECT_EQ(Json::string("x").as_number_text(), nullptr);
  EXPECT_EQ(Json::number_u128(0).as_string(), nullptr);
  EXPECT_EQ(vorn::wallet::dec_u128(0), "0");
}

TEST(JsonValue, DeepValuesAreWrittenAndFreedWithoutRecursion) {
  constexpr size_t kDepth = 200000;
  Json v = Json::number_u64(1);
  for (size_t i = 0; i < kDepth; ++i) {
    Json outer = Json::array();
    outer.push(std::move(v));
    v = std::move(outer);
  }
  std::string text = compact_json(v);
  EXPECT_EQ(text, nested_arrays(kDepth, "1"));
  auto canon = vorn::wallet::canonical_json_value(v);
  ASSERT_TRUE(canon);
  EXPECT_EQ(canon->size(), 2 * kDepth + 1);

  Json objects = Json::null();
  for (size_t i = 0; i < kDepth; ++i) {
    Json outer = Json::object();
    outer.set("k", std::move(objects));
    objects = std::move(outer);
  }
  EXPECT_EQ(compact_json(objects).size(), 6 * kDepth + 4);
  // Overwriting a deep value frees the old one, also without recursion.
  v = Json::null();
  EXPECT_TRUE(v.is_null());
}  // `objects` is destroyed here
