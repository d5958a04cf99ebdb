// Internal: splitting a scalar into two halves of about 128 bits for the
// endomorphisms. Both splits are straight-line code (fixed loops, masks, no branch
// on the scalar), so the constant-time multiplications use them too.
#pragma once

#include <cstdint>

#include "vorn/bn254/fields.h"

namespace vorn::bn254::detail {

/// GLV on G1: k = s1*k1 + s2*k2*lambda (mod r), with k1, k2 < 2^128 returned as two
/// limbs each and s_i = -1 when neg_i is 1, +1 when it is 0.
void glv_split(const Fr& k, uint64_t k1[2], uint64_t& neg1, uint64_t k2[2], uint64_t& neg2);

/// On G2, where psi acts as [6x^2]: k = k1 + k2 * 6x^2 with 0 <= k1 < 6x^2 and
/// k2 < 2^128 (exact integer identity on the canonical k).
void gls_split(const Fr& k, uint64_t k1[2], uint64_t k2[2]);

}  // namespace vorn::bn254::detail
