// The Pedersen generator H: a second G1 generator whose discrete logarithm with
// respect to G = (1, 2) nobody knows, because it is hashed to the curve.
//
// Search, for counter i = 0, 1, ..., 255: d = Keccak-256("VeltriaVorn/Pedersen/H/v2"
// || i as 4 bytes big-endian); x = d mod q; if x^3 + 3 has a square root y =
// (x^3 + 3)^((q+1)/4), take the even one of y and q - y; H = (x, y). G1 has cofactor
// 1, so every such point lies in the group of order r. The point is computed once
// per process, on first use, under a one-time initialisation guard.
#pragma once

#include <cstdint>

#include "vorn/bn254/fields.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::hash {

inline constexpr const char* kPedersenSearchExhausted =
    "internal error: entered unreachable code: no curve point under 256 counters";

/// H as affine coordinates and as its word encoding (x word, then y word).
struct PedersenH {
  bn254::Fq x, y;
  W xw, yw;
};

/// One step of the search: the candidate point for `counter`, or false when
/// x^3 + 3 is not a square for that counter. Exposed for tests.
bool pedersen_candidate(uint32_t counter, PedersenH& out);

/// The generator H, computed once per process (thread-safe). The only failure is the
/// internal invariant "internal error: entered unreachable code: no curve point under
/// 256 counters", which the library's tag never reaches.
Result<PedersenH> h_pedersen();

}  // namespace vorn::hash
