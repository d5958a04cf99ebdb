// Conversions shared by the signature, encryption and proof bindings: argument
// values to the crypto layer's words, and its words back to result tuples. Each
// conversion fails with "word out of range (>= 2^256)" on the first coordinate of
// 2^256 or more, in coordinate order.
#pragma once

#include "frame.h"
#include "vorn/crypto/words.h"

namespace vorn::frame::crypto_bind {

using bn254::G1Words;
using bn254::G2Words;
using crypto::words::CtWords;

/// A G1 tuple (x, y) as words.
inline Result<G1Words> g1w(const Value& v) {
  VORN_TRY(const W x, arg_w(v.items[0]));
  VORN_TRY(const W y, arg_w(v.items[1]));
  return G1Words{x, y};
}
/// A G2 tuple ((x_c0, x_c1), (y_c0, y_c1)) as words x.c0, x.c1, y.c0, y.c1.
inline Result<G2Words> g2w(const Value& v) {
  VORN_TRY(const G1Words x, g1w(v.items[0]));
  VORN_TRY(const G1Words y, g1w(v.items[1]));
  return G2Words{x[0], x[1], y[0], y[1]};
}
/// A ciphertext ((R.x, R.y), (C.x, C.y)) as words R.x, R.y, C.x, C.y.
inline Result<CtWords> ctw(const Value& v) {
  VORN_TRY(const G1Words r, g1w(v.items[0]));
  VORN_TRY(const G1Words c, g1w(v.items[1]));
  return CtWords{r[0], r[1], c[0], c[1]};
}

inline Value int_v(const W& w) { return Value::integer(w); }
inline Value g1_v(const G1Words& p) { return Value::tuple({int_v(p[0]), int_v(p[1])}); }
inline Value ct_v(const CtWords& c) { return Value::tuple({g1_v({c[0], c[1]}), g1_v({c[2], c[3]})}); }
inline Value pair_v(const std::array<G1Words, 2>& p) { return Value::tuple({g1_v(p[0]), g1_v(p[1])}); }

/// A Schnorr signature (e, s, (R.x, R.y)) as a result.
inline Value schnorr_v(const crypto::words::SchnorrSigW& s) { return Value::tuple({int_v(s.e), int_v(s.s), g1_v(s.R)}); }

/// The shape of a Schnorr signature argument: (e, s, (R.x, R.y)).
inline constexpr Shape kSchnorrSig{Shape::Kind::Tuple, {&shape::Int, &shape::Int, &shape::G1}};

}  // namespace vorn::frame::crypto_bind
