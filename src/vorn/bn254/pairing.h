// The optimal ate pairing of BN254 and the pairing-product test.
//
// All functions here are variable time: pairing inputs are public (verification).
#pragma once

#include <span>
#include <utility>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/towers.h"

namespace vorn::bn254 {

using PairingInput = std::pair<G1Affine, G2Affine>;

/// One shared optimal-ate Miller loop over all pairs (loop parameter 6x + 2 in
/// signed binary, then the two Frobenius lines). Pairs with an infinity point are
/// skipped; an empty list gives 1. Points must be on their curves (G2 in the
/// order-r subgroup for the result to mean anything).
Fq12 miller_loop(std::span<const PairingInput> pairs);

/// f^(m (q^12 - 1) / r) with the fixed m = 2x(6x^2 + 3x + 1), which is prime to r:
/// the easy part, then the hard part by an addition chain in x with cyclotomic
/// squarings. Equals one exactly when the reduced pairing value is one; it is a
/// bilinear, non-degenerate pairing in its own right. Zero maps to zero.
Fq12 final_exponentiation(const Fq12& f);

/// final_exponentiation(miller_loop({(P, Q)})): a bilinear non-degenerate pairing.
Fq12 pairing(const G1Affine& p, const G2Affine& q);

/// True when the product of e(P_i, Q_i) over all pairs is one (EVM ecPairing
/// semantics): one multi-Miller loop and one final exponentiation. Pairs with an
/// infinity point contribute one; the empty list gives true.
bool product_is_one(std::span<const PairingInput> pairs);

}  // namespace vorn::bn254
