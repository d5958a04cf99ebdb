// Test helpers for the delivery and witness tests: points built with the plain
// word-level bn254 primitives (variable-time, a different code path from the
// constant-time multiplications the kernel uses), scalar arithmetic modulo r, an
// independent Keccak-256 (Crypto++), and small JSON builders.
#pragma once

#include <gtest/gtest.h>

#include <cryptopp/keccak.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"
#include "vorn/hash/pedersen.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/json.h"

namespace ws {

using vorn::W;
using vorn::notes::CiphertextW;
using vorn::notes::G1Words;
using vorn::wallet::Json;
namespace wl = vorn::wallet;
namespace bn = vorn::bn254;

inline W u(uint64_t x) { return W::from_u64(x); }

inline W hexw(std::string_view s) {
  W w;
  EXPECT_TRUE(vorn::w_from_hex64(s, w)) << s;
  return w;
}

/// r, the group order, and q, the base-field modulus.
inline const W R = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001");
inline const W Q = hexw("30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47");

/// The word plus a small value (no carry past the last byte in these tests).
inline W plus(W w, uint8_t d) {
  for (int i = 31; i >= 0 && d; --i) {
    const unsigned s = w.b[i] + d;
    w.b[i] = static_cast<uint8_t>(s);
    d = static_cast<uint8_t>(s >> 8);
  }
  return w;
}

// ---- scalars modulo r

inline bn::Fr fr(const W& w) { return bn::Fr::from_w_reduce(w); }
inline W add_r(const W& a, const W& b) { return (fr(a) + fr(b)).to_w(); }
inline W sub_r(const W& a, const W& b) { return (fr(a) - fr(b)).to_w(); }
inline W mul_r(const W& a, const W& b) { return (fr(a) * fr(b)).to_w(); }

// ---- points (variable time, word level)

inline const G1Words G{u(1), u(2)};
inline const G1Words O{};

inline G1Words mul(const G1Words& p, const W& k) {
  auto r = bn::g1_mul(p, k);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : G1Words{};
}
inline G1Words gmul(const W& k) { return mul(G, k); }
inline G1Words add(const G1Words& a, const G1Words& b) {
  auto r = bn::g1_add(a, b);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : G1Words{};
}
inline G1Words neg(const G1Words& p) {
  auto r = bn::g1_neg(p);
  return r.ok() ? *r : G1Words{};
}
inline G1Words Hgen() {
  auto h = vorn::hash::h_pedersen();
  EXPECT_TRUE(h.ok());
  return h.ok() ? *h : G1Words{};
}
/// ElGamal (r*G, M + r*pk).
inline CiphertextW enc(const G1Words& m, const G1Words& pk, const W& r) { return {gmul(r), add(m, mul(pk, r))}; }

// ---- Keccak-256 (Crypto++), reduced modulo r

inline W keccak_mod_r(const std::string& bytes) {
  CryptoPP::Keccak_256 h;
  h.Update(reinterpret_cast<const CryptoPP::byte*>(bytes.data()), bytes.size());
  W d;
  h.Final(d.data());
  return fr(d).to_w();
}
inline std::string raw(const W& w) { return std::string(reinterpret_cast<const char*>(w.data()), 32); }

/// The wrap mask of `label` under the point `s`, from the byte layout written out.
inline W mask(std::string_view label, const G1Words& s) {
  return keccak_mod_r("VeltriaVorn/Notes/PayloadWrap/v2/" + std::string(label) + "/" + raw(s[0]) + raw(s[1]));
}

// ---- JSON

inline Json str(std::string s) { return Json::string(std::move(s)); }
inline Json hx(const W& w) { return Json::string(wl::hex_w(w)); }
inline Json dec(const W& w) { return Json::string(wl::dec_w(w)); }
inline Json pt(const G1Words& p) { return wl::g1_hex(p); }
inline Json ct(const CiphertextW& c) { return wl::ct_hex(c); }
inline Json num(uint64_t n) { return Json::number_u64(n); }
inline Json arr(std::initializer_list<Json> items) { return Json::array(items); }
inline Json obj(std::initializer_list<std::pair<const char*, Json>> members) {
  Json o = Json::object();
  for (const auto& [k, v] : members) o.set(k, v);
  return o;
}
inline std::string text(const Json& v) { return wl::compact_json(v); }
inline Json parse(std::string_view s) {
  auto r = wl::parse_json(s);
  EXPECT_TRUE(r.ok()) << s;
  return r.ok() ? std::move(r).value() : Json();
}
/// The member `key` (which must exist) of an object.
inline const Json& at(const Json& o, std::string_view key) {
  static const Json kNull;
  const Json* v = o.find(key);
  EXPECT_NE(v, nullptr) << key;
  return v ? *v : kNull;
}
inline std::string s_at(const Json& o, std::string_view key) {
  const std::string* s = at(o, key).as_string();
  return s ? *s : std::string("<not a string>");
}
/// A copy of `o` without member `key`.
inline Json without(const Json& o, std::string_view key) {
  Json out = Json::object();
  for (const auto& m : *o.as_object())
    if (m.key != key) out.set(m.key, m.value);
  return out;
}
/// A copy of `o` with `key` set to `v`.
inline Json with(Json o, std::string key, Json v) {
  o.set(std::move(key), std::move(v));
  return o;
}

/// "ok" or the error message.
template <class T>
std::string outcome(const vorn::Result<T>& r) {
  return r.ok() ? std::string("ok") : r.error().msg;
}

}  // namespace ws
