// Named JSON arguments: parse_args, the get_*/as_* reading family, word writers.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"

namespace w = vorn::wallet;
using vorn::W;

namespace {

W hex64(std::string_view h) {
  W out;
  EXPECT_TRUE(vorn::w_from_hex64(h, out)) << h;
  return out;
}

const std::string kR = "30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001";
const std::string k2p256 = "115792089237316195423570985008687907853269984665640564039457584007913129639936";
const std::string k2p256m1 = "115792089237316195423570985008687907853269984665640564039457584007913129639935";

w::Json args(std::string_view text) {
  auto r = w::parse_args(text);
  EXPECT_TRUE(r) << text;
  return r ? std::move(r).value() : w::Json();
}

// "ok" or the error message, for tables of outcomes.
template <class T>
std::string outcome(const vorn::Result<T>& r) {
  return r ? "ok" : r.error().msg;
}

}  // namespace

TEST(ParseArgs, PrefixesTheParserDescription) {
  struct Case { const char* in; const char* out; } cases[] = {
      {"{", "args: invalid JSON: missing a name for object member at byte 1"},
      {"", "args: invalid JSON: the document is empty at byte 0"},
      {R"({"a":1,})", "args: invalid JSON: missing a name for object member at byte 7"},
      {R"({"a" 1})", "args: invalid JSON: missing a colon after a name of object member at byte 5"},
  };
  for (auto& c : cases) EXPECT_EQ(outcome(w::parse_args(c.in)), c.out) << c.in;
  // A text that is not an object has no fields.
  for (const char* text : {"[]", "7", "null", "\"payer\""})
    EXPECT_EQ(outcome(w::get_str(args(text), "kind")), "receipt: missing field") << text;
}

TEST(HexWord, ReadsRightAlignedWithAnOptionalLowerCasePrefix) {
  const std::string d64 = "00000000000000000000000000000000000000000000000000000000000000ab";
  struct Case { std::string in; std::string out; } cases[] = {
      {"0x5", std::string(63, '0') + "5"},
      {"5", std::string(63, '0') + "5"},
      {"123", std::string(61, '0') + "123"},  // odd count: the leading digit fills a low half
      {"0xAbCdEf", std::string(58, '0') + "abcdef"},
      {"0x0", std::string(64, '0')},
      {d64, d64},
      {"0x" + d64, d64},
      {"0x" + std::string(64, 'F'), std::string(64, 'f')},
      {"", "hex word must be 1..64 nybbles"},
      {"0x", "hex word must be 1..64 nybbles"},
      {"0" + d64, "hex word must be 1..64 nybbles"},   // 65 digits, even with a leading zero
      {"0x0" + d64, "hex word must be 1..64 nybbles"},
      {std::string(65, 'z'), "hex word must be 1..64 nybbles"},  // length before digits
      {"0X12", "invalid hex"},  // upper-case X is not a prefix, and not a digit
      {"x5", "invalid hex"},
      {"0x0x5", "invalid hex"},
      {"0xg", "invalid hex"},
      {" 5", "invalid hex"},
      {"-1", "invalid hex"},
      {"0x\xc3\xa9", "invalid hex"},
      // Full-width words take a path of their own: a bad byte anywhere in them.
      {"0x" + std::string(63, 'a') + "A", std::string(64, 'a')},
      {"0x" + std::string(63, '0') + "g", "invalid hex"},
      {"0xg" + std::string(63, '0'), "invalid hex"},
      {std::string(31, '1') + "/" + std::string(32, '1'), "invalid hex"},
      {std::string(32, '1') + ":" + std::string(31, '1'), "invalid hex"},
      {std::string(63, 'f') + std::string(1, '\0'), "invalid hex"},
      {std::string(63, 'f') + "\xff", "invalid hex"},
  };
  for (auto& c : cases) {
    auto r = w::w_from_hex(c.in);
    EXPECT_EQ(r ? vorn::to_hex(*r) : r.error().msg, c.out) << c.in;
  }
}

TEST(DecimalWord, ReadsUpTo78DigitsBelow2To256) {
  struct Case { std::string in; std::string out; } cases[] = {
      {"0", "0"},
      {"007", "7"},
      {std::string(77, '0') + "1", "1"},
      {k2p256m1, k2p256m1},
      {"", "decimal word must be 1..78 digits"},
      {std::string(79, '0'), "decimal word must be 1..78 digits"},
      {"12a", "invalid decimal"},
      {"-1", "invalid decimal"},
      {"+1", "invalid decimal"},
      {"1 ", "invalid decimal"},
      {"0x10", "invalid decimal"},
      {k2p256, "decimal word exceeds 256 bits"},
      {std::string(78, '9'), "decimal word exceeds 256 bits"},
  };
  for (auto& c : cases) {
    auto r = w::w_from_dec(c.in);
    EXPECT_EQ(r ? vorn::to_decimal(*r) : r.error().msg, c.out) << c.in;
  }
}

TEST(ReadingFamily, ErrorsInTableOrder) {
  const w::Json o = args(R"({
      "s": "text", "n": 5, "f": 20.0, "neg": -1, "exp": 1e3, "nul": null, "t": true, "e": {}, "arr": [],
      "h": "0x12", "zz": "zz", "empty": "",
      "d": "42", "dbad": "4x2", "dwide": ")" + k2p256 + R"(", "dlong": ")" + std::string(79, '1') + R"(",
      "u_max": 340282366920938463463374607431768211455, "u_over": 340282366920938463463374607431768211456,
      "u_str": "20", "u0": 0, "u_minus0": -0,
      "p": {"x": "0x1", "y": "0x2"}, "p_str": "0x1", "p_nox": {"y": "1"}, "p_noy": {"x": "1"},
      "p_xnum": {"x": 1, "y": "1"}, "p_both_bad": {"x": "zz", "y": 5},
      "pd": {"x": "1", "y": "2"}, "pd_hex": {"x": "0x1", "y": "2"},
      "ct": {"R": {"x": "1", "y": "2"}, "C": {"x": "3", "y": "4"}},
      "ct_badC": {"R": {"x": "1", "y": "2"}, "C": {"x": "3"}},
      "ct_bothbad": {"C": {"x": "zz", "y": "1"}, "R": {"x": "", "y": "1"}},
      "ct_noR": {"C": {"x": "3", "y": "4"}}
  })");
  using Fn = std::function<std::string(const w::Json&, const char*)>;
  auto str = [](const w::Json& j, const char* k) { return outcome(w::get_str(j, k)); };
  auto word = [](const w::Json& j, const char* k) { return outcome(w::get_w(j, k)); };
  auto dec = [](const w::Json& j, const char* k) { return outcome(w::get_dec_w(j, k)); };
  auto u128 = [](const w::Json& j, const char* k) { return outcome(w::get_u128(j, k)); };
  auto g1 = [](const w::Json& j, const char* k) { return outcome(w::get_g1(j, k)); };
  auto g1d = [](const w::Json& j, const char* k) { return outcome(w::get_g1_dec(j, k)); };
  auto ct = [](const w::Json& j, const char* k) { return outcome(w::get_ct(j, k)); };
  auto ctd = [](const w::Json& j, const char* k) { return outcome(w::get_ct_dec(j, k)); };
  auto arr = [](const w::Json& j, const char* k) { return outcome(w::get_array(j, k)); };
  struct Case { const char* name; Fn fn; const char* key; const char* out; } cases[] = {
      {"get_str", str, "s", "ok"},
      {"get_str", str, "absent", "receipt: missing field"},
      {"get_str", str, "n", "receipt: expected a string"},
      {"get_str", str, "nul", "receipt: expected a string"},
      {"get_w", word, "h", "ok"},
      {"get_w", word, "absent", "receipt: missing field"},
      {"get_w", word, "n", "receipt: expected a string"},
      {"get_w", word, "e", "receipt: expected a string"},
      {"get_w", word, "empty", "hex word must be 1..64 nybbles"},
      {"get_w", word, "zz", "invalid hex"},
      {"get_dec_w", dec, "d", "ok"},
      {"get_dec_w", dec, "absent", "receipt: missing field"},
      {"get_dec_w", dec, "n", "receipt: expected a string"},
      {"get_dec_w", dec, "dlong", "decimal word must be 1..78 digits"},
      {"get_dec_w", dec, "dbad", "invalid decimal"},
      {"get_dec_w", dec, "dwide", "decimal word exceeds 256 bits"},
      {"get_u128", u128, "u_max", "ok"},
      {"get_u128", u128, "u0", "ok"},
      {"get_u128", u128, "absent", "receipt: missing field"},
      {"get_u128", u128, "u_str", "receipt: expected an integer"},
      {"get_u128", u128, "nul", "receipt: expected an integer"},
      {"get_u128", u128, "t", "receipt: expected an integer"},
      {"get_u128", u128, "f", "receipt: integer out of range"},
      {"get_u128", u128, "neg", "receipt: integer out of range"},
      {"get_u128", u128, "u_minus0", "receipt: integer out of range"},
      {"get_u128", u128, "exp", "receipt: integer out of range"},
      {"get_u128", u128, "u_over", "receipt: integer out of range"},
      {"get_g1", g1, "p", "ok"},
      {"get_g1", g1, "absent", "receipt: missing field"},
      {"get_g1", g1, "p_str", "receipt: missing field"},  // not an object: it has no "x"
      {"get_g1", g1, "nul", "receipt: missing field"},
      {"get_g1", g1, "p_nox", "receipt: missing field"},
      {"get_g1", g1, "p_noy", "receipt: missing field"},
      {"get_g1", g1, "p_xnum", "receipt: expected a string"},
      {"get_g1", g1, "p_both_bad", "invalid hex"},  // x is read before y
      {"get_g1_dec", g1d, "pd", "ok"},
      {"get_g1_dec", g1d, "pd_hex", "invalid decimal"},
      {"get_g1_dec", g1d, "p_noy", "receipt: missing field"},
      {"get_ct", ct, "ct", "ok"},
      {"get_ct", ct, "absent", "receipt: missing field"},
      {"get_ct", ct, "ct_badC", "receipt: missing field"},
      {"get_ct", ct, "ct_bothbad", "hex word must be 1..64 nybbles"},  // R is read before C
      {"get_ct", ct, "ct_noR", "receipt: missing field"},
      {"get_ct_dec", ctd, "ct", "ok"},
      {"get_ct_dec", ctd, "ct_bothbad", "decimal word must be 1..78 digits"},
      {"get_array", arr, "arr", "ok"},
      {"get_array", arr, "absent", "receipt: missing field"},
      {"get_array", arr, "e", "receipt: expected an array"},
      {"get_array", arr, "s", "receipt: expected an array"},
  };
  for (auto& c : cases) EXPECT_EQ(c.fn(o, c.key), c.out) << c.name << " " << c.key;

  EXPECT_EQ(*w::get_u128(o, "u_max"), ~w::U128(0));
  EXPECT_EQ(*w::get_w(o, "h"), W::from_u64(0x12));
  EXPECT_EQ(*w::get_dec_w(o, "d"), W::from_u64(42));
  auto c = *w::get_ct_dec(o, "ct");
  EXPECT_EQ(c.r, (w::G1Words{W::from_u64(1), W::from_u64(2)}));
  EXPECT_EQ(c.c, (w::G1Words{W::from_u64(3), W::from_u64(4)}));
}

TEST(ReadingFamily, OptionalValues) {
  const w::Json o = args(R"({"nul": null, "e": {}, "arr": [], "zero": 0, "s": "", "obj": {"a": 1},
                             "num": 5, "bad": "zz", "empty": "", "w": "0x5"})");
  for (const char* absent : {"missing", "nul", "e"}) EXPECT_EQ(w::get_opt(o, absent), nullptr) << absent;
  for (const char* present : {"arr", "zero", "s", "obj"}) EXPECT_NE(w::get_opt(o, present), nullptr) << present;
  EXPECT_EQ(w::get_opt(w::Json::string("x"), "x"), nullptr);

  struct Case { const char* key; std::string out; } cases[] = {
      {"missing", "absent"},
      {"nul", "absent"},
      {"e", "absent"},
      {"w", "5"},
      {"num", "args: expected a hex string"},
      {"arr", "args: expected a hex string"},
      {"obj", "args: expected a hex string"},
      {"empty", "hex word must be 1..64 nybbles"},
      {"bad", "invalid hex"},
  };
  for (auto& c : cases) {
    auto r = w::opt_w(o, c.key);
    std::string got = !r ? r.error().msg : !*r ? "absent" : vorn::to_decimal(**r);
    EXPECT_EQ(got, c.out) << c.key;
  }
  EXPECT_EQ(outcome(w::opt_w(o, "num", "args: sk must be a hex string")), "args: sk must be a hex string");

  // Optional ciphertexts and points ("E": null and "E": {} both mean no ciphertext).
  const w::Json party = args(R"({"E_null": null, "E_empty": {}, "E_str": "x", "E_half": {"R": {"x": "1", "y": "2"}},
                                 "E": {"R": {"x": "1", "y": "2"}, "C": {"x": "3", "y": "4"}}, "P": {"x": "5", "y": "6"}})");
  for (const char* key : {"missing", "E_null", "E_empty"}) {
    auto r = w::opt_ct(party, key);
    ASSERT_TRUE(r) << key;
    EXPECT_FALSE(r->has_value()) << key;
  }
  EXPECT_EQ(outcome(w::opt_ct(party, "E_str")), "receipt: missing field");
  EXPECT_EQ(outcome(w::opt_ct(party, "E_half")), "receipt: missing field");
  EXPECT_EQ(w::opt_ct(party, "E")->value().c, (w::G1Words{W::from_u64(3), W::from_u64(4)}));
  EXPECT_EQ(w::opt_g1(party, "P")->value(), (w::G1Words{W::from_u64(5), W::from_u64(6)}));
  EXPECT_FALSE(w::opt_g1(party, "E_empty")->has_value());
  EXPECT_EQ(outcome(w::opt_g1(party, "E")), "receipt: missing field");
}

TEST(Writers, WordsPointsAndCiphertexts) {
  EXPECT_EQ(w::hex_w(W::from_u64(1)), "0x" + std::string(63, '0') + "1");
  EXPECT_EQ(w::hex_w(W{}), "0x" + std::string(64, '0'));
  EXPECT_EQ(w::dec_w(W{}), "0");
  EXPECT_EQ(w::dec_w(hex64(std::string(64, 'f'))), k2p256m1);

  // Scalars are written reduced modulo r.
  const W r = hex64(kR);
  W r_minus_1 = r;
  r_minus_1.b[31] = 0;
  struct Case { W in; std::string out; } cases[] = {
      {W{}, "0x" + std::string(64, '0')},
      {W::from_u64(7), "0x" + std::string(63, '0') + "7"},
      {r_minus_1, "0x30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000000"},
      {r, "0x" + std::string(64, '0')},
      {hex64("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000002"), "0x" + std::string(63, '0') + "1"},
      // 5r, the largest multiple of r below 2^256, and one less.
      {hex64("f1f5883e65f820d099915c908786b9d1c903896a609f32d65369cbe3b0000005"), "0x" + std::string(64, '0')},
      {hex64("f1f5883e65f820d099915c908786b9d1c903896a609f32d65369cbe3b0000004"),
       "0x30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000000"},
      {hex64(std::string(64, 'f')), "0x0e0a77c19a07df2f666ea36f7879462e36fc76959f60cd29ac96341c4ffffffa"},
  };
  for (auto& c : cases) EXPECT_EQ(w::scalar_hex(c.in), c.out) << vorn::to_hex(c.in);

  const w::CiphertextW ct{{W::from_u64(1), W::from_u64(2)}, {hex64(std::string(64, 'f')), W{}}};
  const std::string z63 = std::string(63, '0');
  EXPECT_EQ(w::compact_json(w::ct_hex(ct)),
            R"({"C":{"x":"0x)" + std::string(64, 'f') + R"(","y":"0x0)" + z63 + R"("},"R":{"x":"0x)" + z63 +
                R"(1","y":"0x)" + z63 + R"(2"}})");
  // What the writers write, the readers read back.
  auto back = w::as_ct(w::ct_hex(ct));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, ct);
}
