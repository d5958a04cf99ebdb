#include "vorn/wallet/args.h"

#include <array>

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

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

Result<std::string> get_str(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_str(*v);
}

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

Result<W> get_w(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_w(*v);
}

Result<W> as_dec_w(const Json& v) {
  VORN_TRY(std::string s, as_str(v));
  return w_from_dec(s);
}

Result<W> get_dec_w(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_dec_w(*v);
}

Result<std::optional<W>> opt_w(const Json& obj, std::string_view key, std::string_view not_string) {
  const Json* v = get_opt(obj, key);
  if (!v) return std::optional<W>();
  const std::string* s = v->as_string();
  if (!s) return err(not_string);
  VORN_TRY(W w, w_from_hex(*s));
  return std::optional<W>(w);
}

Result<G1Words> as_g1(const Json& v) {
  VORN_TRY(W x, get_w(v, "x"));
  VORN_TRY(W y, get_w(v, "y"));
  return G1Words{x, y};
}

Result<G1Words> get_g1(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_g1(*v);
}

Result<CiphertextW> as_ct(const Json& v) {
  VORN_TRY(G1Words r, get_g1(v, "R"));
  VORN_TRY(G1Words c, get_g1(v, "C"));
  return CiphertextW{r, c};
}

Result<CiphertextW> get_ct(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_ct(*v);
}

Result<std::optional<G1Words>> opt_g1(const Json& obj, std::string_view key) {
  const Json* v = get_opt(obj, key);
  if (!v) return std::optional<G1Words>();
  VORN_TRY(G1Words p, as_g1(*v));
  return std::optional<G1Words>(p);
}

Result<std::optional<CiphertextW>> opt_ct(const Json& obj, std::string_view key) {
  const Json* v = get_opt(obj, key);
  if (!v) return std::optional<CiphertextW>();
  VORN_TRY(CiphertextW c, as_ct(*v));
  return std::optional<CiphertextW>(c);
}

Result<G1Words> as_g1_dec(const Json& v) {
  VORN_TRY(W x, get_dec_w(v, "x"));
  VORN_TRY(W y, get_dec_w(v, "y"));
  return G1Words{x, y};
}

Result<G1Words> get_g1_dec(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_g1_dec(*v);
}

Result<CiphertextW> as_ct_dec(const Json& v) {
  VORN_TRY(G1Words r, get_g1_dec(v, "R"));
  VORN_TRY(G1Words c, get_g1_dec(v, "C"));
  return CiphertextW{r, c};
}

Result<CiphertextW> get_ct_dec(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_ct_dec(*v);
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

Result<U128> get_u128(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_u128(*v);
}

Result<const JsonArray*> as_array(const Json& v) {
  const JsonArray* a = v.as_array();
  if (!a) return err(kExpectedArray);
  return a;
}

Result<const JsonArray*> get_array(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  return as_array(*v);
}

std::string hex_w(const W& w) { return "0x" + to_hex(w); }

W reduce_mod_r(const W& w) {
  // r = 0x30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001, little-endian limbs.
  static constexpr uint64_t kR[4] = {0x43e1f593f0000001ULL, 0x2833e84879b97091ULL, 0xb85045b68181585dULL,
                                     0x30644e72e131a029ULL};
  uint64_t x[4];
  for (int i = 0; i < 4; ++i) {
    uint64_t limb = 0;
    for (int k = 0; k < 8; ++k) limb = limb << 8 | w.b[8 * (3 - i) + k];
    x[i] = limb;
  }
  // 2^256 < 6r, so five conditional subtractions bring any word below r. Each
  // subtraction is computed in full and kept or dropped by a mask.
  for (int round = 0; round < 5; ++round) {
    uint64_t t[4];
    unsigned __int128 borrow = 0;
    for (int i = 0; i < 4; ++i) {
      unsigned __int128 d = static_cast<unsigned __int128>(x[i]) - kR[i] - borrow;
      t[i] = static_cast<uint64_t>(d);
      borrow = (d >> 64) & 1;
    }
    uint64_t keep_x = 0 - static_cast<uint64_t>(borrow);  // all ones when x < r
    for (int i = 0; i < 4; ++i) x[i] = (x[i] & keep_x) | (t[i] & ~keep_x);
  }
  W out;
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 8; ++k) out.b[8 * (3 - i) + k] = static_cast<uint8_t>(x[i] >> (56 - 8 * k));
  return out;
}

std::string scalar_hex(const W& w) { return hex_w(reduce_mod_r(w)); }

std::string dec_w(const W& w) { return to_decimal(w); }

Json g1_hex(const G1Words& p) {
  Json o = Json::object();
  o.set("x", Json::string(hex_w(p[0])));
  o.set("y", Json::string(hex_w(p[1])));
  return o;
}

Json ct_hex(const CiphertextW& ct) {
  Json o = Json::object();
  o.set("R", g1_hex(ct.r));
  o.set("C", g1_hex(ct.c));
  return o;
}

}  // namespace vorn::wallet
