// Constant-time scalar multiplication on G1 and G2 (variable base), with fixed signed
// 5-bit windows and tables read by scanning every entry with masks. G1: the GLV split
// into two 128-bit halves and complete projective formulas. G2: the psi split into
// four quarters below 2^64, Jacobian doubling and a unified addition made exact for
// every input by masks (the argument is at the G2 code).
#include "vorn/bn254/scalar_mul.h"

#include "vorn/bn254/jacobian.h"
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

// ---- G2: four quarters below 2^64 ------------------------------------------------
//
// k = sum_i s_i k_i L^i with psi = [L] on G2 (detail::gls4_split), so k*P is the sum of
// k_i * psi^i(s_i P): 13 signed 5-bit windows per quarter, 60 doublings and 52
// additions of table entries.
//
// The accumulator is Jacobian (X:Y:Z) standing for (X/Z^2, Y/Z^3) and the tables are
// affine. The twist has odd order (r (2q - r)), so no point has y = 0. Hence:
//  - doubling (dbl-2009-l, straight line) is exact for every finite point and keeps
//    Z = 0 at Z = 0 (the identity stays the identity);
//  - addition uses the unified slope (x1^2 + x1 x2 + x2^2) / (y1 + y2), which is the
//    chord slope when x1 != x2 and the tangent slope when the points are equal; it
//    fails only when y1 + y2 = 0, and then the chord slope (y1 - y2) / (x1 - x2) is
//    taken by masks instead. If also x1 = x2 the points are opposite and Z3 comes
//    out 0, the identity. An identity accumulator or a zero digit is handled by
//    masks. So the addition is exact for all inputs, with no branch.
// Cost: doubling 2M + 5S, addition 7M + 5S (Fq2), against 7M + 2S and 11M + 2S (the
// multiplications by 3b included) for the complete projective formulas.

using J2 = detail::Jac<G2Curve>;

J2 dbl_ct(const J2& p) {
  const Fq2 a = p.x.sqr(), b = p.y.sqr(), c = b.sqr();
  const Fq2 d = ((p.x + b).sqr() - a - c).dbl();
  const Fq2 e = a.dbl() + a;
  const Fq2 x3 = e.sqr() - d.dbl();
  return {x3, e * (d - x3) - c.dbl().dbl().dbl(), (p.y * p.z).dbl()};
}

// p + (x2, y2), or p when skip is 1.
J2 add_ct(const J2& p, const Fq2& x2, const Fq2& y2, uint64_t skip) {
  const Fq2 z1z1 = p.z.sqr();
  const Fq2& u1 = p.x;
  const Fq2& s1 = p.y;
  const Fq2 u2 = x2 * z1z1;
  const Fq2 s2 = y2 * (p.z * z1z1);
  const Fq2 t = u1 + u2;
  const Fq2 m0 = s1 + s2;                  // (y1 + y2) Z1^3
  const Fq2 r0 = t.sqr() - u1 * u2;        // (x1^2 + x1 x2 + x2^2) Z1^4
  const uint64_t degenerate = m0.is_zero();
  const Fq2 m = Fq2::select(degenerate, u1 - u2, m0);
  const Fq2 r = Fq2::select(degenerate, s1 - s2, r0);
  const Fq2 m2 = m.sqr();
  const Fq2 tm2 = t * m2;
  const Fq2 x3 = r.sqr() - tm2;
  // 2 y3 = slope (x1 + x2 - 2 x3) - (y1 + y2); the last term is m^4 in the unified
  // case and 0 in the degenerate one (y1 + y2 = 0).
  const Fq2 m4 = Fq2::select(degenerate, Fq2::zero(), m2.sqr());
  const Fq2 y3 = (r * (tm2 - x3.dbl()) - m4).half();
  const Fq2 z3 = m * p.z;
  const uint64_t p_inf = p.z.is_zero();
  J2 out{Fq2::select(p_inf, x2, x3), Fq2::select(p_inf, y2, y3), Fq2::select(p_inf, Fq2::one(), z3)};
  out.x = Fq2::select(skip, p.x, out.x);
  out.y = Fq2::select(skip, p.y, out.y);
  out.z = Fq2::select(skip, p.z, out.z);
  return out;
}

struct Affine2 {
  Fq2 x, y;
};

// j*P for j = 1..16 from a finite affine P of order r, all on one common Z (returned
// in zc, an element of Fq): out[j-1] = (X, Y) with j*P = (X / zc^2, Y / zc^3). 2P by
// doubling, then jP = (j-1)P + P by the plain mixed addition (madd-2007-bl), exact
// here: it fails only when (j-1)P = +-P, that is j = 0 or 2 mod r, and j runs over
// 3..16. Each step multiplies Z by a known ratio (2y, then 2H), so walking the ratios
// back from the last Z brings every entry to the same Z without an inversion. That
// Z is Z16 conj(Z16), which lies in Fq: psi maps the table to one on the same Z.
//
// The doubling and the unified addition below never read b, so the entries are
// used as affine points of the isomorphic curve y^2 = x^3 + b zc^6 (same group, odd
// order too), and the result's Z is multiplied by zc at the end.
void multiples_g2_ct(const Affine2& p, Affine2 out[kCtTable], Fq& zc) {
  J2 j[kCtTable];
  Fq2 ratio[kCtTable];  // ratio[i] = Z(j[i]) / Z(j[i - 1])
  j[0] = {p.x, p.y, Fq2::one()};
  j[1] = dbl_ct(j[0]);
  ratio[1] = j[1].z;
  const G2Affine pa{p.x, p.y, false};
  for (int i = 2; i < kCtTable; ++i) j[i] = j[i - 1].add_affine_unchecked(pa, ratio[i]);
  const Fq2& zlast = j[kCtTable - 1].z;
  zc = zlast.norm();
  Fq2 rho = zlast.conj();  // Z(j[i]) * rho = zc
  for (int i = kCtTable - 1; i >= 0; --i) {
    const Fq2 rho2 = rho.sqr();
    out[i] = {j[i].x * rho2, j[i].y * (rho2 * rho)};
    if (i > 0) rho = rho * ratio[i];
  }
}

// sign(d) * table[|d| - 1] with the sign flipped once more when flip is 1, and
// whether d is zero; every entry is read.
Affine2 lookup_g2_ct(const Affine2* table, int64_t d, uint64_t flip, uint64_t& zero) {
  uint64_t mag, neg;
  digit_parts(d, mag, neg);
  Affine2 r = table[0];
  for (uint64_t j = 2; j <= kCtTable; ++j) {
    const uint64_t hit = ct_eq(j, mag);
    r.x = Fq2::select(hit, table[j - 1].x, r.x);
    r.y = Fq2::select(hit, table[j - 1].y, r.y);
  }
  r.y = Fq2::select(neg ^ flip, -r.y, r.y);
  zero = ct_eq(mag, 0);
  return r;
}

constexpr int kCtQuarterDigits = 13;  // 13 * 5 - 1 = 64 bits cover a quarter below 2^64

G2 g2_mul_gls4_ct(const G2Affine& p_in, const Fr& k) {
  // Infinity is replaced by the generator (so the tables stay finite) and the result
  // by the identity at the end.
  const uint64_t p_inf = p_in.infinity;
  const G2Affine g = g2_generator();
  Affine2 t[4][kCtTable];
  Fq zc;
  multiples_g2_ct({Fq2::select(p_inf, g.x, p_in.x), Fq2::select(p_inf, g.y, p_in.y)}, t[0], zc);
  // psi(x, y) = (conj(x) c2, conj(y) c3); psi^2(x, y) = (x N(c2), y N(c3)) with the
  // norms in Fq, and psi^3 = psi^2 o psi.
  const Fq2 c2 = Fq2::from_mont(params::FROB1_2), c3 = Fq2::from_mont(params::FROB1_3);
  const Fq n2 = Fq::from_mont(params::FROB2_2[0]), n3 = Fq::from_mont(params::FROB2_3[0]);
  for (int j = 0; j < kCtTable; ++j) {
    t[1][j] = {t[0][j].x.conj() * c2, t[0][j].y.conj() * c3};
    t[2][j] = {t[0][j].x.mul_fq(n2), t[0][j].y.mul_fq(n3)};
    t[3][j] = {t[1][j].x.mul_fq(n2), t[1][j].y.mul_fq(n3)};
  }
  uint64_t mag[4], neg[4];
  detail::gls4_split(k, mag, neg);
  int64_t d[4][kCtQuarterDigits];
  for (int i = 0; i < 4; ++i) {
    const uint64_t limbs[4] = {mag[i], 0, 0, 0};
    recode_signed_ct<kCtQuarterDigits>(limbs, d[i]);
  }
  // The top window starts from the first quarter's entry (Z = 0 for a zero digit:
  // the identity, which every step below treats by masks).
  uint64_t zero;
  Affine2 e = lookup_g2_ct(t[0], d[0][kCtQuarterDigits - 1], neg[0], zero);
  J2 acc{e.x, e.y, Fq2::select(zero, Fq2::zero(), Fq2::one())};
  for (int w = kCtQuarterDigits - 1; w >= 0; --w) {
    if (w != kCtQuarterDigits - 1) {
      for (int s = 0; s < kCtWindow; ++s) acc = dbl_ct(acc);
      e = lookup_g2_ct(t[0], d[0][w], neg[0], zero);
      acc = add_ct(acc, e.x, e.y, zero);
    }
    for (int i = 1; i < 4; ++i) {
      e = lookup_g2_ct(t[i], d[i][w], neg[i], zero);
      acc = add_ct(acc, e.x, e.y, zero);
    }
  }
  // Back to the curve (Z times zc), then homogeneous (XZ : Y : Z^3); an identity
  // accumulator (Z = 0) becomes (0 : 1 : 0).
  const uint64_t inf = p_inf | (uint64_t)acc.z.is_zero();
  const Fq2 z = acc.z.mul_fq(zc);
  const G2 out{acc.x * z, acc.y, z.sqr() * z};
  return G2::select(inf, G2::identity(), out);
}

}  // namespace

G1 g1_mul_ct(const G1& p, const Fr& k) { return g1_mul_glv_ct(p, k); }
G1 g1_mul_ct(const G1Affine& p, const Fr& k) { return g1_mul_glv_ct(G1::from_affine(p), k); }
G2 g2_mul_ct(const G2& p, const Fr& k) { return g2_mul_gls4_ct(p.to_affine(), k); }
G2 g2_mul_ct(const G2Affine& p, const Fr& k) { return g2_mul_gls4_ct(p, k); }

}  // namespace vorn::bn254
