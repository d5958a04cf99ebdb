// Small group helpers shared by the signatures, the encryption and the sigma proofs.
//
// Two kinds, named as such:
//  - constant time (`ct_`): for values derived from secrets (a prover's witness
//    checks, normalisation of points computed from nonces);
//  - variable time (`_var`): for verification on public data.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/fields.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::crypto {

using bn254::Fr;
using bn254::G1;
using bn254::G1Affine;
using bn254::G1Words;
using bn254::G2;
using bn254::G2Affine;
using bn254::G2Words;

/// The G1 generator G = (1, 2).
inline G1Affine gen_g1() { return bn254::g1_generator(); }

/// The Pedersen generator H. Fails only with the generator search's internal
/// invariant (never with the library's tag).
Result<G1Affine> pedersen_h();

/// The scalar of a word reduced modulo r. Constant time.
inline Fr fr(const W& w) { return Fr::from_w_reduce(w); }

/// Group equality of two projective points in constant time (no branch and no early
/// exit on the coordinates). Valid for every pair of points, identities included:
/// the identity is (0 : Y : 0) with Y != 0, so cross-multiplying coordinates
/// compares it correctly with every point.
bool ct_equal(const G1& a, const G1& b);

/// The words of a point (infinity as two zero words) with no branch on the point,
/// for points computed from secrets (bn254::w_from_g1 branches on the infinity
/// flag).
G1Words w_from_g1_ct(const G1Affine& p);

/// Normalises n projective points to affine with one constant-time inversion.
template <size_t N>
std::array<G1Affine, N> to_affine_ct(const std::array<G1, N>& in) {
  std::array<G1Affine, N> out;
  bn254::g1_batch_to_affine(in.data(), out.data(), N);
  return out;
}

/// True when sum k_i * P_i equals `target`: one multi-scalar sum, variable time
/// (public points and scalars only).
bool msm_equals_var(std::initializer_list<G1Affine> points, std::initializer_list<Fr> scalars,
                    const G1Affine& target);

/// Prover response s = k + e*w mod r as a canonical word. Constant time.
inline W respond(const Fr& k, const Fr& e, const Fr& w) { return (k + e * w).to_w(); }

}  // namespace vorn::crypto
