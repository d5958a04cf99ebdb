// Constant-time scalar multiplication on G1 and G2 (variable base): the GLV / psi
// split into two 128-bit halves, fixed signed 5-bit windows, tables read by scanning
// every entry with masks, complete projective formulas.
#include "vorn/bn254/scalar_mul.h"

#include "vorn/bn254/scalar_mul_ct_digits.h"
#include "vorn/bn254/scalar_split.h"

namespace vorn::bn254 {

namespace {

using namespace detail::ct_digits;

// table[0] is the identity, table[j] = j*P; returns sign(d) * table[|d|] by
// scanning every entry.
template <class C>
ProjPoint<C> lookup_ct(const ProjPoint<C>* table, int64_t d) {
  uint64_t mag, neg;
  digit_parts(d, mag, neg);
  ProjPoint<C> r = table[0];
  for (uint64_t j = 1; j <= kCtTable; ++j) r = ProjPoint<C>::select(ct_eq(j, mag), table[j], r);
  r.y = C::F::select(neg, -r.y, r.y);
  return r;
}

// table[j] = j*P for j = 0..16 (complete formulas, so P may be anything).
template <class C>
void multiples_ct(const ProjPoint<C>& p, ProjPoint<C> table[kCtTable + 1]) {
  table[0] = ProjPoint<C>::identity();
  table[1] = p;
  for (int j = 2; j <= kCtTable; ++j) table[j] = (j % 2 == 0) ? table[j / 2].dbl() : table[j - 1] + p;
}

// sum over both halves: k1 * (table1 point) + k2 * (table2 point), k1, k2 < 2^128.
template <class C>
ProjPoint<C> mul2_ct(const ProjPoint<C>* t1, const uint64_t k1[2], const ProjPoint<C>* t2, const uint64_t k2[2]) {
  const uint64_t a[4] = {k1[0], k1[1], 0, 0}, b[4] = {k2[0], k2[1], 0, 0};
  int64_t d1[kCtHalfDigits], d2[kCtHalfDigits];
  recode_signed_ct<kCtHalfDigits>(a, d1);
  recode_signed_ct<kCtHalfDigits>(b, d2);
  ProjPoint<C> acc = lookup_ct(t1, d1[kCtHalfDigits - 1]) + lookup_ct(t2, d2[kCtHalfDigits - 1]);
  for (int i = kCtHalfDigits - 2; i >= 0; --i) {
    for (int s = 0; s < kCtWindow; ++s) acc = acc.dbl();
    acc = acc + lookup_ct(t1, d1[i]);
    acc = acc + lookup_ct(t2, d2[i]);
  }
  return acc;
}

// G1: k = s1 k1 + s2 k2 lambda; the second table is the endomorphism image of the
// first, (beta X : Y : Z), with Y negated when the signs differ.
G1 g1_mul_glv_ct(const G1& p, const Fr& k) {
  uint64_t k1[2], k2[2], n1, n2;
  detail::glv_split(k, k1, n1, k2, n2);
  G1 t1[kCtTable + 1], t2[kCtTable + 1];
  G1 base = p;
  base.y = Fq::select(n1, -base.y, base.y);
  multiples_ct(base, t1);
  const Fq beta = Fq::from_mont(params::GLV_BETA);
  const uint64_t flip = n1 ^ n2;
  for (int j = 0; j <= kCtTable; ++j) t2[j] = {t1[j].x * beta, Fq::select(flip, -t1[j].y, t1[j].y), t1[j].z};
  return mul2_ct(t1, k1, t2, k2);
}

// G2: k = k1 + k2 6x^2 and psi = [6x^2] on G2; the second table is psi of the first.
G2 g2_mul_gls_ct(const G2& p, const Fr& k) {
  uint64_t k1[2], k2[2];
  detail::gls_split(k, k1, k2);
  G2 t1[kCtTable + 1], t2[kCtTable + 1];
  multiples_ct(p, t1);
  for (int j = 0; j <= kCtTable; ++j) t2[j] = g2_psi(t1[j]);
  return mul2_ct(t1, k1, t2, k2);
}

}  // namespace

G1 g1_mul_ct(const G1& p, const Fr& k) { return g1_mul_glv_ct(p, k); }
G1 g1_mul_ct(const G1Affine& p, const Fr& k) { return g1_mul_glv_ct(G1::from_affine(p), k); }
G2 g2_mul_ct(const G2& p, const Fr& k) { return g2_mul_gls_ct(p, k); }
G2 g2_mul_ct(const G2Affine& p, const Fr& k) { return g2_mul_gls_ct(G2::from_affine(p), k); }

}  // namespace vorn::bn254
