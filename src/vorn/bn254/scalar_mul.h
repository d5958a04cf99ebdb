// Scalar multiplication on G1 and G2, and the G2 subgroup test.
//
// Two flavours, named as such:
//  - `_ct`: constant time in the scalar and the point (secret keys, nonces,
//    encryption randomness). The scalar is split with the endomorphism by
//    straight-line arithmetic (GLV on G1: two 128-bit halves; psi on G2: four
//    quarters below 2^64), then fixed signed 5-bit windows, tables read by scanning
//    every entry with masks, and formulas exact for every input (complete projective
//    ones on G1, Jacobian ones completed by masks on G2); no branch or memory index
//    depends on secret data.
//  - `_var`: variable time, for public scalars only (verification). wNAF with the
//    GLV endomorphism on G1 and the four-way psi split on G2, Jacobian coordinates.
// Scalars are elements of Fr (already reduced mod r).
#pragma once

#include <span>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/fields.h"

namespace vorn::bn254 {

/// k*P, constant time in k and P.
G1 g1_mul_ct(const G1& p, const Fr& k);
G1 g1_mul_ct(const G1Affine& p, const Fr& k);
/// k*P on G2, constant time in k and P. P must lie in the order-r subgroup: the
/// split of k uses psi = [6x^2], which holds only there.
G2 g2_mul_ct(const G2& p, const Fr& k);
G2 g2_mul_ct(const G2Affine& p, const Fr& k);
/// k*G for the generator G = (1, 2), constant time, from a fixed-base table built
/// once per process on first use (thread-safe).
G1 g1_mul_gen_ct(const Fr& k);

/// k*G for the generator G = (1, 2) and a public k (variable time): 22 additions at
/// most, no doubling, from a wide table built once per process on first use.
G1 g1_mul_gen_var(const Fr& k);

/// k*P for a public k (variable time).
G1 g1_mul_var(const G1Affine& p, const Fr& k);
G1 g1_mul_var(const G1& p, const Fr& k);
/// k*P on G2 for a public k (variable time). P must lie in the order-r subgroup:
/// the split of k uses psi = [6x^2], which holds only there.
G2 g2_mul_var(const G2Affine& p, const Fr& k);
G2 g2_mul_var(const G2& p, const Fr& k);
/// sum k_i * P_i for public scalars (variable time), interleaved wNAF with GLV; a
/// term whose point is the generator (1, 2) uses a wide precomputed table. The two
/// spans must have the same length (extra entries of the longer one are ignored).
G1 g1_msm_var(std::span<const G1Affine> points, std::span<const Fr> scalars);

/// True when P (a point on the twist; infinity allowed) lies in the order-r
/// subgroup G2 (variable time; P is public). Uses
/// [x+1]P + psi([x]P) + psi^2([x]P) == psi^3([2x]P).
bool g2_in_subgroup_var(const G2Affine& p);

}  // namespace vorn::bn254
