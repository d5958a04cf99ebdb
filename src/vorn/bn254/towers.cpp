#include "vorn/bn254/towers.h"

#include "vorn/bn254/params.h"

namespace vorn::bn254 {

// ---- Fq2 --------------------------------------------------------------------------------

Fq2 Fq2::pow(const uint64_t e[4]) const {
  Fq2 r = one();
  for (int i = 3; i >= 0; --i)
    for (int b = 63; b >= 0; --b) {
      r = r.sqr();
      if ((e[i] >> b) & 1) r *= *this;
    }
  return r;
}

bool Fq2::sqrt_var(Fq2& out) const {
  // q = 3 mod 4 (Adj and Rodriguez-Henriquez, algorithm 9).
  if (is_zero()) {
    out = zero();
    return true;
  }
  const uint64_t* q = params::FQ_MOD;
  // (q - 3) / 4 and (q - 1) / 2
  uint64_t e1[4], e2[4];
  for (int i = 0; i < 4; ++i) {
    e1[i] = (q[i] >> 2) | (i < 3 ? q[i + 1] << 62 : 0);  // floor(q/4) = (q-3)/4
    e2[i] = (q[i] >> 1) | (i < 3 ? q[i + 1] << 63 : 0);  // floor(q/2) = (q-1)/2
  }
  Fq2 a1 = pow(e1);
  Fq2 alpha = a1.sqr() * *this;
  Fq2 a0 = alpha.conj() * alpha;
  const Fq2 minus_one = -one();
  if (a0 == minus_one) return false;
  Fq2 x0 = a1 * *this;
  Fq2 x;
  if (alpha == minus_one) {
    x = Fq2{-x0.c1, x0.c0};  // u * x0
  } else {
    x = (one() + alpha).pow(e2) * x0;
  }
  if (x.sqr() != *this) return false;
  out = x;
  return true;
}

// ---- Fq6 --------------------------------------------------------------------------------

namespace {

// Karatsuba over v with the six Fq2 products kept double-width: each coefficient of
// the result is one sum of products, reduced once per coordinate (the products by xi
// are taken after the reduction, on single-width values). Every product coordinate is
// in [0, 2p^2) (fq2_mul_wide). kAdx names the code path, chosen once per product.
template <bool kAdx>
Fq6 fq6_mul(const Fq6& a, const Fq6& o) {
  using namespace detail;
  Fq2Wide t0, t1, t2, x, y, z;
  fq2_mul_wide<kAdx>(t0, a.c0, o.c0);
  fq2_mul_wide<kAdx>(t1, a.c1, o.c1);
  fq2_mul_wide<kAdx>(t2, a.c2, o.c2);
  fq2_mul_wide<kAdx>(x, a.c1 + a.c2, o.c1 + o.c2);
  fq2_mul_wide<kAdx>(y, a.c0 + a.c1, o.c0 + o.c1);
  fq2_mul_wide<kAdx>(z, a.c0 + a.c2, o.c0 + o.c2);
  fq2_wide_sub2(x, x, t1, t2, kFqModSq4.data());  // (a1 o2 + a2 o1) + 4p^2, below 6p^2
  fq2_wide_sub2(y, y, t0, t1, kFqModSq4.data());  // (a0 o1 + a1 o0) + 4p^2
  fq2_wide_sub2(z, z, t0, t2, kFqModSq4.data());
  wide_add(z.c0, z.c0, t1.c0);  // (a0 o2 + a1 o1 + a2 o0) + 4p^2, below 8p^2
  wide_add(z.c1, z.c1, t1.c1);
  return {fq2_redc<2, kAdx>(x).mul_by_xi() + fq2_redc<1, kAdx>(t0),
          fq2_redc<2, kAdx>(y) + fq2_redc<1, kAdx>(t2).mul_by_xi(), fq2_redc<2, kAdx>(z)};
}

// The same with o = b0 + b1 v: five double-width Fq2 products.
template <bool kAdx>
Fq6 fq6_mul_by_01(const Fq6& a, const Fq2& b0, const Fq2& b1) {
  using namespace detail;
  Fq2Wide t0, t1, x, y, z;
  fq2_mul_wide<kAdx>(t0, a.c0, b0);
  fq2_mul_wide<kAdx>(t1, a.c1, b1);
  fq2_mul_wide<kAdx>(x, a.c1 + a.c2, b1);
  fq2_mul_wide<kAdx>(y, a.c0 + a.c1, b0 + b1);
  fq2_mul_wide<kAdx>(z, a.c0 + a.c2, b0);
  fq2_wide_sub(x, x, t1, kFqModSq2.data());       // a2 b1 + 2p^2, below 4p^2
  fq2_wide_sub2(y, y, t0, t1, kFqModSq4.data());  // (a0 b1 + a1 b0) + 4p^2, below 6p^2
  fq2_wide_sub(z, z, t0, kFqModSq2.data());
  wide_add(z.c0, z.c0, t1.c0);  // (a1 b1 + a2 b0) + 2p^2, below 6p^2
  wide_add(z.c1, z.c1, t1.c1);
  return {fq2_redc<1, kAdx>(x).mul_by_xi() + fq2_redc<1, kAdx>(t0), fq2_redc<2, kAdx>(y), fq2_redc<2, kAdx>(z)};
}

}  // namespace

Fq6 Fq6::operator*(const Fq6& o) const {
  return detail::use_adx() ? fq6_mul<true>(*this, o) : fq6_mul<false>(*this, o);
}

Fq6 Fq6::sqr() const {
  Fq2 s0 = c0.sqr();
  Fq2 s1 = (c0 * c1).dbl();
  Fq2 s2 = (c0 - c1 + c2).sqr();
  Fq2 s3 = (c1 * c2).dbl();
  Fq2 s4 = c2.sqr();
  return {s3.mul_by_xi() + s0, s4.mul_by_xi() + s1, s1 + s2 + s3 - s0 - s4};
}

Fq6 Fq6::mul_by_01(const Fq2& b0, const Fq2& b1) const {
  return detail::use_adx() ? fq6_mul_by_01<true>(*this, b0, b1) : fq6_mul_by_01<false>(*this, b0, b1);
}

namespace {
// Shared body of the inverses: the adjugate and the norm, inverted by `invert`.
template <class Inv>
Fq6 fq6_inverse(const Fq6& a, Inv invert) {
  Fq2 t0 = a.c0.sqr() - (a.c1 * a.c2).mul_by_xi();
  Fq2 t1 = a.c2.sqr().mul_by_xi() - a.c0 * a.c1;
  Fq2 t2 = a.c1.sqr() - a.c0 * a.c2;
  Fq2 n = a.c0 * t0 + (a.c2 * t1 + a.c1 * t2).mul_by_xi();
  Fq2 ni = invert(n);
  return {t0 * ni, t1 * ni, t2 * ni};
}
}  // namespace

Fq6 Fq6::inv() const {
  return fq6_inverse(*this, [](const Fq2& n) { return n.inv(); });
}
Fq6 Fq6::inv_var() const {
  return fq6_inverse(*this, [](const Fq2& n) { return n.inv_var(); });
}

// ---- Fq12 -------------------------------------------------------------------------------

Fq12 Fq12::operator*(const Fq12& o) const {
  Fq6 t0 = c0 * o.c0, t1 = c1 * o.c1;
  return {t0 + t1.mul_by_v(), (c0 + c1) * (o.c0 + o.c1) - t0 - t1};
}

Fq12 Fq12::sqr() const {
  Fq6 ab = c0 * c1;
  Fq6 r0 = (c0 + c1) * (c0 + c1.mul_by_v()) - ab - ab.mul_by_v();
  return {r0, ab.dbl()};
}

Fq12 Fq12::mul_by_034(const Fq2& l0, const Fq2& l3, const Fq2& l4) const {
  Fq6 t0 = c0.mul_fq2(l0);
  Fq6 t1 = c1.mul_by_01(l3, l4);
  Fq6 r1 = (c0 + c1).mul_by_01(l0 + l3, l4) - t0 - t1;
  return {t0 + t1.mul_by_v(), r1};
}

Fq12 Fq12::line_product(const Fq2& l0, const Fq2& l3, const Fq2& l4, const Fq2& m0, const Fq2& m3,
                        const Fq2& m4) {
  // (A + B w)(C + D w) with A = l0, B = l3 + l4 v, C = m0, D = m3 + m4 v and w^2 = v:
  // AC + BD v + (AD + BC) w, where BD v = l4 m4 xi + l3 m3 v + (l3 m4 + l4 m3) v^2.
  const Fq2 a = l0 * m0, b = l3 * m3, c = l4 * m4;
  const Fq2 bc = (l3 + l4) * (m3 + m4) - b - c;
  const Fq2 x = (l0 + l3) * (m0 + m3) - a - b;
  const Fq2 y = (l0 + l4) * (m0 + m4) - a - c;
  return {{a + c.mul_by_xi(), b, bc}, {x, y, Fq2::zero()}};
}

Fq12 Fq12::mul_by_line_product(const Fq12& g) const {
  // Karatsuba over w, with g's second half sparse (g1.c2 = 0).
  const Fq6 t0 = c0 * g.c0;
  const Fq6 t1 = c1.mul_by_01(g.c1.c0, g.c1.c1);
  const Fq6 r1 = (c0 + c1) * (g.c0 + g.c1) - t0 - t1;
  return {t0 + t1.mul_by_v(), r1};
}

Fq12 Fq12::inv() const {
  Fq6 t = (c0.sqr() - c1.sqr().mul_by_v()).inv();
  return {c0 * t, -(c1 * t)};
}

Fq12 Fq12::inv_var() const {
  Fq6 t = (c0.sqr() - c1.sqr().mul_by_v()).inv_var();
  return {c0 * t, -(c1 * t)};
}

Fq12 Fq12::frobenius(int k) const {
  // The coefficient of w^i is c0.c0 (i=0), c1.c0 (1), c0.c1 (2), c1.c1 (3), c0.c2 (4),
  // c1.c2 (5); the k-th power map conjugates it k times and multiplies it by
  // xi^(i (q^k - 1) / 6).
  using namespace params;
  switch (k) {
    case 1:
      return {{c0.c0.conj(), c0.c1.conj() * Fq2::from_mont(FROB1_2), c0.c2.conj() * Fq2::from_mont(FROB1_4)},
              {c1.c0.conj() * Fq2::from_mont(FROB1_1), c1.c1.conj() * Fq2::from_mont(FROB1_3),
               c1.c2.conj() * Fq2::from_mont(FROB1_5)}};
    case 2:
      // The factors lie in Fq.
      return {{c0.c0, c0.c1.mul_fq(Fq::from_mont(FROB2_2[0])), c0.c2.mul_fq(Fq::from_mont(FROB2_4[0]))},
              {c1.c0.mul_fq(Fq::from_mont(FROB2_1[0])), c1.c1.mul_fq(Fq::from_mont(FROB2_3[0])),
               c1.c2.mul_fq(Fq::from_mont(FROB2_5[0]))}};
    case 3:
      return {{c0.c0.conj(), c0.c1.conj() * Fq2::from_mont(FROB3_2), c0.c2.conj() * Fq2::from_mont(FROB3_4)},
              {c1.c0.conj() * Fq2::from_mont(FROB3_1), c1.c1.conj() * Fq2::from_mont(FROB3_3),
               c1.c2.conj() * Fq2::from_mont(FROB3_5)}};
    default:
      return *this;  // k = 0 (and any other value, never used): the identity map
  }
}

Fq12 Fq12::cyclotomic_sqr() const {
  // Granger-Scott: view the element over Fq4 = Fq2[s]/(s^2 - xi), s = w^3, as
  // A + B w + C w^2 with A = (z0, z1), B = (z2, z3), C = (z4, z5); then
  // A' = 3A^2 - 2 conj(A), B' = 3 s C^2 + 2 conj(B), C' = 3B^2 - 2 conj(C).
  const Fq2 &z0 = c0.c0, &z4 = c0.c1, &z3 = c0.c2, &z2 = c1.c0, &z1 = c1.c1, &z5 = c1.c2;
  // (a + b s)^2 = (a^2 + xi b^2) + 2ab s
  auto fq4_sqr = [](const Fq2& a, const Fq2& b, Fq2& r0, Fq2& r1) {
    Fq2 ab = a * b;
    r0 = (a + b) * (b.mul_by_xi() + a) - ab - ab.mul_by_xi();
    r1 = ab.dbl();
  };
  Fq2 t0, t1, t2, t3, t4, t5;
  fq4_sqr(z0, z1, t0, t1);
  fq4_sqr(z2, z3, t2, t3);
  fq4_sqr(z4, z5, t4, t5);

  Fq2 n0 = (t0 - z0).dbl() + t0;            // 3 t0 - 2 z0
  Fq2 n1 = (t1 + z1).dbl() + t1;            // 3 t1 + 2 z1
  Fq2 xt5 = t5.mul_by_xi();
  Fq2 n2 = (z2 + xt5).dbl() + xt5;          // 3 xi t5 + 2 z2
  Fq2 n3 = (t4 - z3).dbl() + t4;            // 3 t4 - 2 z3
  Fq2 n4 = (t2 - z4).dbl() + t2;            // 3 t2 - 2 z4
  Fq2 n5 = (z5 + t3).dbl() + t3;            // 3 t3 + 2 z5
  return {{n0, n4, n3}, {n2, n1, n5}};
}

Fq12 Fq12::pow(const uint64_t e[4]) const {
  Fq12 r = one();
  for (int i = 3; i >= 0; --i)
    for (int b = 63; b >= 0; --b) {
      r = r.sqr();
      if ((e[i] >> b) & 1) r *= *this;
    }
  return r;
}

}  // namespace vorn::bn254
