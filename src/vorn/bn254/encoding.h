// Words <-> scalars, field elements and curve points, with the fixed messages.
//
// A G1 point travels as two words x, y; a G2 point as four words x.c0, x.c1, y.c0,
// y.c1 (real part first in each coordinate). All-zero words are the point at
// infinity, and nothing else is. Decoding never reduces a coordinate: a coordinate
// of q or more is rejected.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/fields.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::bn254 {

/// Raised by the binding frame when an integer does not fit in a word; defined here
/// so the text has one home.
inline constexpr const char* kMsgWordOutOfRange = "word out of range (>= 2^256)";
inline constexpr const char* kMsgNotCanonicalFq = "coordinate not a canonical Fq element";
inline constexpr const char* kMsgG1NotOnCurve = "G1 point not on curve";
inline constexpr const char* kMsgG2NotOnCurve = "G2 point not on curve";
inline constexpr const char* kMsgG2NotInSubgroup = "G2 point not in the prime-order subgroup";
inline constexpr const char* kMsgMsgHashLength = "msg_hash must be exactly 32 bytes";
inline constexpr const char* kMsgFaceUnitsRange = "face_units out of range (>= 2^128)";

using G1Words = std::array<W, 2>;  // x, y
using G2Words = std::array<W, 4>;  // x.c0, x.c1, y.c0, y.c1
using FaceUnits = unsigned __int128;

/// The word reduced modulo r (canonical result). Constant time.
W reduce_mod_order(const W& w);
/// Any number of big-endian bytes as one integer reduced modulo r; empty gives 0.
W scalar_from_be_bytes_mod_order(const uint8_t* bytes, size_t len);
/// True exactly when the word is below r (no reduction). Constant time.
bool w_lt_order(const W& w);
/// The canonical word of a scalar.
W w_from_fr(const Fr& s);
/// The scalar of a word reduced modulo r.
inline Fr fr_from_w_reduce(const W& w) { return Fr::from_w_reduce(w); }

/// The base-field element of a word below q; otherwise "coordinate not a canonical
/// Fq element".
Result<Fq> fq_strict(const W& w);

/// Decodes x, y: all zero gives infinity; otherwise each coordinate through
/// fq_strict (x first), then the curve equation ("G1 point not on curve").
Result<G1Affine> g1_from_w(const G1Words& w);
/// Same, from 64 bytes x || y.
Result<G1Affine> g1_from_w(const uint8_t* in64);
/// Decodes x.c0, x.c1, y.c0, y.c1: all zero gives infinity; otherwise the four
/// coordinates through fq_strict in that order, then the twist equation ("G2 point
/// not on curve"), then membership of the order-r subgroup ("G2 point not in the
/// prime-order subgroup"). Variable time (public points).
Result<G2Affine> g2_from_w(const G2Words& w);
/// Same, from 128 bytes.
Result<G2Affine> g2_from_w(const uint8_t* in128);

/// Words of a point (all zero for infinity).
G1Words w_from_g1(const G1Affine& p);
G2Words w_from_g2(const G2Affine& p);
/// Words of a projective point, normalised with a constant-time inversion.
G1Words w_from_g1(const G1& p);
G2Words w_from_g2(const G2& p);

/// A 32-byte message hash: exactly 32 bytes, else "msg_hash must be exactly 32 bytes".
Result<W> msg32(const uint8_t* bytes, size_t len);
/// A word below 2^128 as an unsigned 128-bit integer, else "face_units out of range
/// (>= 2^128)".
Result<FaceUnits> face_units(const W& w);

}  // namespace vorn::bn254
