// The word-level curve primitives: decode the words, compute, encode the result.
// Decoding runs in argument order and the first failure is returned with its
// message (see encoding.h). Scalars are public here (variable-time arithmetic).
#pragma once

#include <span>
#include <utility>

#include "vorn/bn254/encoding.h"

namespace vorn::bn254 {

/// a + b on G1.
Result<G1Words> g1_add(const G1Words& a, const G1Words& b);
/// (k mod r) * p on G1; k = 0 and k = r give infinity.
Result<G1Words> g1_mul(const G1Words& p, const W& k);
/// -p = (x, q - y); infinity stays infinity.
Result<G1Words> g1_neg(const G1Words& p);
/// a + b on G2 (both decoded with the subgroup test).
Result<G2Words> g2_add(const G2Words& a, const G2Words& b);
/// (k mod r) * p on G2.
Result<G2Words> g2_mul(const G2Words& p, const W& k);

using PairingWords = std::pair<G1Words, G2Words>;
/// Decodes every pair in order (G1 then G2; first failure returned), then answers
/// whether the product of the pairings is one (true for the empty list).
Result<bool> pairing_check(std::span<const PairingWords> pairs);

}  // namespace vorn::bn254
