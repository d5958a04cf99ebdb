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

#include "vorn/bn254/curve.h"
#include "vorn/bn254/encoding.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::hash {

inline constexpr const char* kPedersenSearchExhausted =
    "internal error: entered unreachable code: no curve point under 256 counters";

/// One step of the search: the candidate point for `counter`, or false when
/// x^3 + 3 is not a square for that counter. Exposed for tests.
bool pedersen_candidate(uint32_t counter, bn254::G1Affine& out);

/// The generator H as an affine point (never infinity), computed once per process
/// (thread-safe). The only failure is the internal invariant "internal error: entered
/// unreachable code: no curve point under 256 counters", which the library's tag
/// never reaches.
Result<bn254::G1Affine> h_pedersen_affine();

/// H as its point words (x, then y); fails only as h_pedersen_affine.
Result<bn254::G1Words> h_pedersen();

}  // namespace vorn::hash
