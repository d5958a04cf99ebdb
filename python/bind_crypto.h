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

inline Value pair_v(const std::array<G1Words, 2>& p) { return Value::tuple({g1_value(p[0]), g1_value(p[1])}); }

/// A Schnorr signature (e, s, (R.x, R.y)) as a result.
inline Value schnorr_v(const crypto::words::SchnorrSigW& s) { return Value::tuple({Value::integer(s.e), Value::integer(s.s), g1_value(s.R)}); }

/// The shape of a Schnorr signature argument: (e, s, (R.x, R.y)).
inline constexpr Shape kSchnorrSig{Shape::Kind::Tuple, {&shape::Int, &shape::Int, &shape::G1}};

}  // namespace vorn::frame::crypto_bind
