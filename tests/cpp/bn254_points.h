// Test helpers: seeded random scalars and points, and a plain double-and-add
// multiplication that shares no code with the windowed and wNAF routines.
#pragma once

#include <random>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/fields.h"

namespace testpts {

using namespace vorn::bn254;

inline Fr random_fr(std::mt19937_64& rng) {
  uint64_t l[4] = {rng(), rng(), rng(), rng()};
  return Fr::from_limbs_reduce(l);
}

// k*P by left-to-right double-and-add over the 256 bits of k (complete formulas).
template <class C>
ProjPoint<C> ref_mul(const ProjPoint<C>& p, const uint64_t k[4]) {
  ProjPoint<C> acc = ProjPoint<C>::identity();
  for (int i = 255; i >= 0; --i) {
    acc = acc.dbl();
    if ((k[i / 64] >> (i % 64)) & 1) acc = acc + p;
  }
  return acc;
}

template <class C>
ProjPoint<C> ref_mul(const ProjPoint<C>& p, const Fr& k) {
  uint64_t l[4];
  k.to_limbs(l);
  return ref_mul(p, l);
}

// A point on the twist that is (with overwhelming probability) outside G2: a
// random x with x^3 + b' a square, without cofactor clearing.
inline G2Affine random_twist_point(std::mt19937_64& rng) {
  for (;;) {
    uint64_t a[4] = {rng(), rng(), rng(), rng()}, b[4] = {rng(), rng(), rng(), rng()};
    Fq2 x{Fq::from_limbs_reduce(a), Fq::from_limbs_reduce(b)};
    Fq2 y;
    if ((x.sqr() * x + G2Curve::b()).sqrt_var(y)) return {x, y, false};
  }
}

}  // namespace testpts
