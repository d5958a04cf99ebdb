#include "vorn/wallet/args.h"

#include <array>

namespace vorn::wallet {

namespace {

// The value of each hex digit byte, -1 for every other byte. A table rather than
// range tests: in a random word digits and letters alternate unpredictably, and a
// registry's leaves are millions of digits.
constexpr auto kHexDigit = [] {
  std::array<int8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[c] = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
  }
  return t;
}();

int hex_digit(char c) { return kHexDigit[static_cast<uint8_t>(c)]; }

// A point {"x", "y"} whose coordinates `word` reads (hex or decimal), x first.
template <Result<W> (*Word)(const Json&, std::string_view)>
Result<G1Words> point_with(const Json& v) {
  VORN_TRY(W x, Word(v, "x"));
  VORN_TRY(W y, Word(v, "y"));
  return G1Words{x, y};
}

// A ciphertext {"R", "C"} whose points `point` reads, R first.
template <Result<G1Words> (*Point)(const Json&, std::string_view)>
Result<CiphertextW> ct_with(const Json& v) {
  VORN_TRY(G1Words r, Point(v, "R"));
  VORN_TRY(G1Words c, Point(v, "C"));
  return CiphertextW{r, c};
}

// The member `key` of `obj` (missing field otherwise), read by `as`.
template <class T, Result<T> (*As)(const Json&)>
Result<T> member(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return As(*v);
}

// The member `key` of `obj` read by `as`, or nothing when absent (as get_opt).
template <class T, Result<T> (*As)(const Json&)>
Result<std::optional<T>> optional_member(const Json& obj, std::string_view key) {
  const Json* v = get_opt(obj, key);
  if (!v) return std::optional<T>();
  VORN_TRY(T t, As(*v));
  return std::optional<T>(std::move(t));
}

}  // namespace

Result<Json> parse_args(std::string_view args_json) {
  Result<Json> v = parse_json(args_json);
  if (!v) return IdError{std::string(kArgsInvalidJsonPrefix) + v.error().msg};
  return v;
}

namespace {

bool decode_hex_word(std::string_view text, W& out) {
  Result<W> w = w_from_hex(text);
  if (!w) return false;
  out = *w;
  return true;
}

}  // namespace

Result<Json> parse_args(std::string_view args_json, std::span<const std::span<const std::string_view>> word_paths) {
  Result<Json> v = parse_json(args_json, JsonWordArrays{word_paths, decode_hex_word});
  if (!v) return IdError{std::string(kArgsInvalidJsonPrefix) + v.error().msg};
  return v;
}

const Json* get_opt(const Json& obj, std::string_view key) {
  const Json* v = obj.find(key);
  if (!v || v->is_null()) return nullptr;
  if (const JsonObject* o = v->as_object(); o && o->empty()) return nullptr;
  return v;
}

Result<const Json*> get_field(const Json& obj, std::string_view key) {
  const Json* v = obj.find(key);
  if (!v) return err(kMissingField);
  return v;
}

Result<std::string> as_str(const Json& v) {
  const std::string* s = v.as_string();
  if (!s) return err(kExpectedString);
  return *s;
}

Result<std::string> get_str(const Json& obj, std::string_view key) { return member<std::string, as_str>(obj, key); }

Result<W> w_from_hex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') text.remove_prefix(2);
  if (text.empty() || text.size() > 64) return err(kHexWordLength);
  W out;
  if (text.size() == 64) {
    // The full width (every registry leaf): two digits per byte, front to back,
    // checked once at the end; any other byte sends it to the loop below, which
    // reports it.
    int bad = 0;
    for (size_t i = 0; i < 32; ++i) {
      const int hi = hex_digit(text[2 * i]), lo = hex_digit(text[2 * i + 1]);
      bad |= hi | lo;
      out.b[i] = static_cast<uint8_t>((hi << 4) | (lo & 0xf));
    }
    if (bad >= 0) return out;
    out = W{};
  }
  // From the last digit backwards, two digits per byte, filling the word from its
  // last byte; an odd leading digit fills the low half of its byte.
  for (size_t k = 0; k < text.size(); ++k) {
    int d = hex_digit(text[text.size() - 1 - k]);
    if (d < 0) return err(kInvalidHex);
    out.b[31 - k / 2] |= static_cast<uint8_t>(k % 2 ? d << 4 : d);
  }
  return out;
}

Result<W> w_from_dec(std::string_view text) {
  if (text.empty() || text.size() > 78) return err(kDecimalWordLength);
  uint32_t limbs[8] = {0};  // little-endian 32-bit limbs
  for (char c : text) {
    if (c < '0' || c > '9') return err(kInvalidDecimal);
    uint64_t carry = static_cast<uint64_t>(c - '0');
    for (uint32_t& limb : limbs) {
      uint64_t cur = static_cast<uint64_t>(limb) * 10 + carry;
      limb = static_cast<uint32_t>(cur);
      carry = cur >> 32;
    }
    if (carry) return err(kDecimalWordTooWide);
  }
  W out;
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 4; ++k) out.b[31 - 4 * i - k] = static_cast<uint8_t>(limbs[i] >> (8 * k));
  return out;
}

Result<W> as_w(const Json& v) {
  VORN_TRY(std::string s, as_str(v));
  return w_from_hex(s);
}

Result<W> get_w(const Json& obj, std::string_view key) { return member<W, as_w>(obj, key); }

Result<W> as_dec_w(const Json& v) {
  VORN_TRY(std::string s, as_str(v));
  return w_from_dec(s);
}

Result<W> get_dec_w(const Json& obj, std::string_view key) { return member<W, as_dec_w>(obj, key); }

Result<std::optional<W>> opt_w(const Json& obj, std::string_view key, std::string_view not_string) {
  const Json* v = get_opt(obj, key);
  if (!v) return std::optional<W>();
  const std::string* s = v->as_string();
  if (!s) return err(not_string);
  VORN_TRY(W w, w_from_hex(*s));
  return std::optional<W>(w);
}

Result<std::optional<std::string>> opt_str(const Json& obj, std::string_view key) {
  return optional_member<std::string, as_str>(obj, key);
}

Result<std::optional<W>> opt_hex(const Json& obj, std::string_view key) { return opt_w(obj, key); }

Result<G1Words> as_g1(const Json& v) { return point_with<get_w>(v); }
Result<G1Words> get_g1(const Json& obj, std::string_view key) { return member<G1Words, as_g1>(obj, key); }
Result<CiphertextW> as_ct(const Json& v) { return ct_with<get_g1>(v); }
Result<CiphertextW> get_ct(const Json& obj, std::string_view key) { return member<CiphertextW, as_ct>(obj, key); }

Result<std::optional<G1Words>> opt_g1(const Json& obj, std::string_view key) {
  return optional_member<G1Words, as_g1>(obj, key);
}
Result<std::optional<CiphertextW>> opt_ct(const Json& obj, std::string_view key) {
  return optional_member<CiphertextW, as_ct>(obj, key);
}

Result<G1Words> as_g1_dec(const Json& v) { return point_with<get_dec_w>(v); }
Result<G1Words> get_g1_dec(const Json& obj, std::string_view key) { return member<G1Words, as_g1_dec>(obj, key); }
Result<CiphertextW> as_ct_dec(const Json& v) { return ct_with<get_g1_dec>(v); }
Result<CiphertextW> get_ct_dec(const Json& obj, std::string_view key) {
  return member<CiphertextW, as_ct_dec>(obj, key);
}

Result<U128> as_u128(const Json& v) {
  const std::string* t = v.as_number_text();
  if (!t) return err(kExpectedInteger);
  if (t->empty()) return err(kIntegerOutOfRange);
  constexpr U128 kMax = ~U128(0);
  U128 acc = 0;
  for (char c : *t) {
    if (c < '0' || c > '9') return err(kIntegerOutOfRange);
    unsigned d = static_cast<unsigned>(c - '0');
    if (acc > (kMax - d) / 10) return err(kIntegerOutOfRange);
    acc = acc * 10 + d;
  }
  return acc;
}

Result<U128> get_u128(const Json& obj, std::string_view key) { return member<U128, as_u128>(obj, key); }

Result<const JsonArray*> as_array(const Json& v) {
  const JsonArray* a = v.as_array();
  if (!a) return err(kExpectedArray);
  return a;
}

Result<const JsonArray*> get_array(const Json& obj, std::string_view key) { return member<const JsonArray*, as_array>(obj, key); }

std::string hex_w(const W& w) { return "0x" + to_hex(w); }

std::string scalar_hex(const W& w) { return hex_w(reduce_mod_r(w)); }

std::string dec_w(const W& w) { return to_decimal(w); }

namespace {

// {"x": word(x), "y": word(y)} and {"R": point(R), "C": point(C)}.
Json point_json(const G1Words& p, std::string (*word)(const W&)) {
  Json o = Json::object();
  o.set("x", Json::string(word(p[0])));
  o.set("y", Json::string(word(p[1])));
  return o;
}

Json ct_json(const CiphertextW& ct, std::string (*word)(const W&)) {
  Json o = Json::object();
  o.set("R", point_json(ct.r, word));
  o.set("C", point_json(ct.c, word));
  return o;
}

}  // namespace

Json g1_hex(const G1Words& p) { return point_json(p, hex_w); }
Json ct_hex(const CiphertextW& ct) { return ct_json(ct, hex_w); }
Json g1_dec(const G1Words& p) { return point_json(p, dec_w); }
Json ct_dec(const CiphertextW& ct) { return ct_json(ct, dec_w); }

}  // namespace vorn::wallet
