// Internal: splitting a scalar for the endomorphisms, into two halves of about 128
// bits (G1 and G2) or four quarters below 2^64 (G2). Every split is straight-line code (fixed loops, masks, no branch
// on the scalar), so the constant-time multiplications use them too.
#pragma once

#include <cstdint>

#include "vorn/bn254/fields.h"
#include "vorn/bn254/params.h"

namespace vorn::bn254::detail {

/// GLV on G1: k = s1*k1 + s2*k2*lambda (mod r), with k1, k2 < 2^128 returned as two
/// limbs each and s_i = -1 when neg_i is 1, +1 when it is 0.
void glv_split(const Fr& k, uint64_t k1[2], uint64_t& neg1, uint64_t k2[2], uint64_t& neg2);

/// Below this bound lies every |k_i| of gls4_split: (7x + 3) / 2 + 1 < 2^64 (see the
/// proof at the definition).
inline constexpr uint64_t kGls4Bound = 3 * params::BN_X + (params::BN_X + 3) / 2 + 1;

/// On G2, where psi acts as [L], L = 6x^2: k = sum_i s_i k_i L^i (mod r), i = 0..3,
/// with k_i < kGls4Bound < 2^64 and s_i = -1 when neg[i] is 1, +1 when it is 0.
void gls4_split(const Fr& k, uint64_t mag[4], uint64_t neg[4]);

/// On G2, where psi acts as [6x^2]: k = k1 + k2 * 6x^2 with 0 <= k1 < 6x^2 and
/// k2 < 2^128 (exact integer identity on the canonical k).
void gls_split(const Fr& k, uint64_t k1[2], uint64_t k2[2]);

}  // namespace vorn::bn254::detail
