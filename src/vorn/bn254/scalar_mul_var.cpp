// Variable-time scalar multiplication for public scalars (verification): wNAF with
// the GLV endomorphism on G1 and psi on G2, interleaved (Straus) sums, Jacobian
// coordinates, and the G2 subgroup test.
#include "vorn/bn254/scalar_mul.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <vector>

#include "vorn/bn254/jacobian.h"
#include "vorn/bn254/scalar_split.h"

namespace vorn::bn254 {

namespace {

using J1 = detail::Jac<G1Curve>;
using J2 = detail::Jac<G2Curve>;

// Width-w NAF of a non-negative multi-limb integer: digits odd in (-2^(w-1), 2^(w-1))
// or zero, least significant first. Returns the number of digits.
int wnaf_var(const uint64_t* k_in, int limbs, int w, int8_t* out, int cap) {
  uint64_t k[5] = {0, 0, 0, 0, 0};
  for (int i = 0; i < limbs; ++i) k[i] = k_in[i];
  const int n = 5;
  auto is_zero = [&] {
    for (int i = 0; i < n; ++i)
      if (k[i]) return false;
    return true;
  };
  int len = 0;
  const int64_t full = 1LL << w, half = 1LL << (w - 1);
  while (!is_zero() && len < cap) {
    int64_t d = 0;
    if (k[0] & 1) {
      d = (int64_t)(k[0] & (uint64_t)(full - 1));
      if (d >= half) d -= full;
      // k -= d
      if (d > 0) {
        uint64_t b = (uint64_t)d;
        for (int i = 0; i < n && b; ++i) {
          uint64_t old = k[i];
          k[i] = old - b;
          b = old < b ? 1 : 0;
        }
      } else {
        uint64_t c = (uint64_t)(-d);
        for (int i = 0; i < n && c; ++i) {
          uint64_t old = k[i];
          k[i] = old + c;
          c = k[i] < old ? 1 : 0;
        }
      }
    }
    out[len++] = (int8_t)d;
    for (int i = 0; i < n - 1; ++i) k[i] = (k[i] >> 1) | (k[i + 1] << 63);
    k[n - 1] >>= 1;
  }
  return len;
}

// The same for a single limb (the G2 quarters), in 128-bit arithmetic: k - d may
// pass 2^64 for a negative digit.
int wnaf64_var(uint64_t k_in, int w, int8_t* out) {
  unsigned __int128 k = k_in;
  int len = 0;
  const int64_t full = 1LL << w, half = 1LL << (w - 1);
  while (k != 0) {
    int64_t d = 0;
    if (k & 1) {
      d = (int64_t)((uint64_t)k & (uint64_t)(full - 1));
      if (d >= half) d -= full;
      k -= (unsigned __int128)(__int128)d;
    }
    out[len++] = (int8_t)d;
    k >>= 1;
  }
  return len;
}

constexpr int kMaxDigits = 260;

// One term of a Straus sum: a table of odd multiples (table[i] = (2i+1) * P) and the
// wNAF digits of its scalar.
template <class C>
struct Term {
  const AffinePoint<C>* table;
  int8_t digits[kMaxDigits];
  int len;
};

template <class C>
detail::Jac<C> straus_var(const Term<C>* terms, size_t n) {
  using J = detail::Jac<C>;
  int top = 0;
  for (size_t i = 0; i < n; ++i) top = std::max(top, terms[i].len);
  J acc = J::identity();
  for (int i = top - 1; i >= 0; --i) {
    acc = acc.dbl_var();
    for (size_t t = 0; t < n; ++t) {
      if (i >= terms[t].len) continue;
      const int d = terms[t].digits[i];
      if (d > 0) {
        acc = acc.add_affine_var(terms[t].table[d >> 1]);
      } else if (d < 0) {
        acc = acc.add_affine_var(-terms[t].table[(-d) >> 1]);
      }
    }
  }
  return acc;
}

// Odd multiples P, 3P, ..., (2m-1)P of an affine point, normalised with one
// variable-time inversion.
template <class C>
void odd_multiples_var(const AffinePoint<C>& p, AffinePoint<C>* out, int m) {
  using J = detail::Jac<C>;
  using F = typename C::F;
  std::array<J, 64> j;
  j[0] = J::from_affine(p);
  J two = j[0].dbl_var();
  for (int i = 1; i < m; ++i) j[i] = j[i - 1].add_var(two);
  // Montgomery's trick over the z's (a zero z only arises for the identity).
  std::array<F, 64> prefix;
  F acc = F::one();
  for (int i = 0; i < m; ++i) {
    prefix[i] = acc;
    if (!j[i].is_identity()) acc = acc * j[i].z;
  }
  F inv = acc.inv_var();
  for (int i = m - 1; i >= 0; --i) {
    if (j[i].is_identity()) {
      out[i] = AffinePoint<C>::identity();
      continue;
    }
    F zi = inv * prefix[i];
    inv = inv * j[i].z;
    F zi2 = zi.sqr();
    out[i] = {j[i].x * zi2, j[i].y * zi2 * zi, false};
  }
}

constexpr int kVarWindow = 5;                            // odd multiples up to 15P
constexpr int kVarTable = 1 << (kVarWindow - 2);         // 8
}  // namespace

G1 g1_mul_var(const G1Affine& p, const Fr& k) {
  if (!p.infinity && p == g1_generator()) return g1_mul_gen_var(k);
  const G1Affine* pts = &p;
  return g1_msm_var(std::span<const G1Affine>(pts, 1), std::span<const Fr>(&k, 1));
}

G1 g1_mul_var(const G1& p, const Fr& k) { return g1_mul_var(p.to_affine_var(), k); }

namespace {

// ---- Pippenger's bucket method, for many terms ----
//
// Every term is a GLV half: an affine point (already negated when its half is) and a
// scalar below 2^128. The scalars are cut into signed c-bit digits in
// [-2^(c-1), 2^(c-1)] (ceil(129 / c) windows cover 128 bits and the last carry).
// For each window, from the top: c doublings of the accumulator, each point added to
// the bucket of its digit's magnitude (negated for a negative digit), then
// sum_j j * B_j by a running sum from the top bucket down, added to the accumulator.
// Cost per window: one mixed addition per term and two additions per bucket, so c
// grows with the number of terms.
int pippenger_window(size_t terms) {
  int log2 = 0;
  while ((size_t{2} << log2) <= terms) ++log2;  // floor(log2(terms))
  return std::clamp(log2 - 3, 4, 16);
}

J1 pippenger_var(const std::vector<G1Affine>& pts, const std::vector<std::array<uint64_t, 2>>& ks) {
  const size_t n = pts.size();
  const int c = pippenger_window(n);
  const int windows = (129 + c - 1) / c;
  const int half = 1 << (c - 1);
  const uint64_t mask = (uint64_t{1} << c) - 1;
  std::vector<int32_t> digits(n * (size_t)windows);
  for (size_t i = 0; i < n; ++i) {
    int carry = 0;
    for (int w = 0; w < windows; ++w) {
      const int pos = c * w, limb = pos / 64, off = pos % 64;
      uint64_t v = limb < 2 ? ks[i][limb] >> off : 0;
      if (limb == 0 && off > 64 - c) v |= ks[i][1] << (64 - off);
      int d = (int)(v & mask) + carry;
      carry = d > half;
      digits[i * (size_t)windows + (size_t)w] = d - (carry ? 2 * half : 0);
    }
  }
  std::vector<J1> buckets((size_t)half);
  J1 acc = J1::identity();
  for (int w = windows - 1; w >= 0; --w) {
    for (int s = 0; s < c; ++s) acc = acc.dbl_var();
    std::fill(buckets.begin(), buckets.end(), J1::identity());
    for (size_t i = 0; i < n; ++i) {
      const int d = digits[i * (size_t)windows + (size_t)w];
      if (d > 0) buckets[(size_t)d - 1] = buckets[(size_t)d - 1].add_affine_var(pts[i]);
      else if (d < 0) buckets[(size_t)(-d) - 1] = buckets[(size_t)(-d) - 1].add_affine_var(-pts[i]);
    }
    J1 running = J1::identity(), sum = J1::identity();
    for (int j = half - 1; j >= 0; --j) {
      running = running.add_var(buckets[(size_t)j]);
      sum = sum.add_var(running);
    }
    acc = acc.add_var(sum);
  }
  return acc;
}

// Below this many GLV halves, interleaved wNAF (Straus) is faster than buckets.
constexpr size_t kPippengerMinTerms = 64;

}  // namespace

namespace {

// The halves of each term, for the bucket method: the point (negated with its half)
// and the half's scalar.
G1 msm_buckets(std::span<const G1Affine> points, std::span<const Fr> scalars, const std::vector<size_t>& idx) {
  std::vector<G1Affine> pts;
  std::vector<std::array<uint64_t, 2>> ks;
  pts.reserve(2 * idx.size());
  ks.reserve(2 * idx.size());
  for (size_t i : idx) {
    uint64_t k1[2], k2[2], n1, n2;
    detail::glv_split(scalars[i], k1, n1, k2, n2);
    pts.push_back(n1 ? -points[i] : points[i]);
    ks.push_back({k1[0], k1[1]});
    const G1Affine e = g1_endo(points[i]);
    pts.push_back(n2 ? -e : e);
    ks.push_back({k2[0], k2[1]});
  }
  return pippenger_var(pts, ks).to_proj();
}

// The halves of each term as wNAF digits over a table of odd multiples, summed
// together (Straus).
G1 msm_interleaved(std::span<const G1Affine> points, std::span<const Fr> scalars, const std::vector<size_t>& idx) {
  std::vector<Term<G1Curve>> terms;
  terms.reserve(2 * idx.size());
  std::vector<std::array<G1Affine, kVarTable>> tables;
  tables.reserve(2 * idx.size());
  for (size_t i : idx) {
    uint64_t k1[2], k2[2], n1, n2;
    detail::glv_split(scalars[i], k1, n1, k2, n2);
    Term<G1Curve> t1, t2;
    t1.len = wnaf_var(k1, 2, kVarWindow, t1.digits, kMaxDigits);
    t2.len = wnaf_var(k2, 2, kVarWindow, t2.digits, kMaxDigits);
    // A negative half is folded into its digits so the tables stay shared.
    if (n1)
      for (int j = 0; j < t1.len; ++j) t1.digits[j] = (int8_t)-t1.digits[j];
    if (n2)
      for (int j = 0; j < t2.len; ++j) t2.digits[j] = (int8_t)-t2.digits[j];
    tables.emplace_back();
    odd_multiples_var<G1Curve>(points[i], tables.back().data(), kVarTable);
    t1.table = tables.back().data();
    tables.emplace_back();
    for (int j = 0; j < kVarTable; ++j) tables.back()[j] = g1_endo(tables[tables.size() - 2][j]);
    t2.table = tables.back().data();
    terms.push_back(t1);
    terms.push_back(t2);
  }
  return straus_var(terms.data(), terms.size()).to_proj();
}

}  // namespace

G1 g1_msm_var(std::span<const G1Affine> points, std::span<const Fr> scalars) {
  const size_t n = std::min(points.size(), scalars.size());
  const G1Affine gen = g1_generator();
  // Terms on the generator add up to one scalar, taken by the fixed-base table; the
  // others are summed by buckets when there are many, else interleaved.
  Fr gen_scalar = Fr::zero();
  std::vector<size_t> idx;
  idx.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (points[i].infinity || scalars[i].is_zero()) continue;
    if (points[i] == gen) gen_scalar = gen_scalar + scalars[i];
    else idx.push_back(i);
  }
  G1 sum = 2 * idx.size() >= kPippengerMinTerms ? msm_buckets(points, scalars, idx)
                                                : msm_interleaved(points, scalars, idx);
  if (!gen_scalar.is_zero()) sum = sum + g1_mul_gen_var(gen_scalar);
  return sum;
}

// Odd multiples P, 3P, ..., 15P of a finite point of order r, without an inversion,
// all on one common Z (returned in zc, an element of Fq): out[i] = (X, Y) with
// (2i+1)P = (X / zc^2, Y / zc^3). With D = 2P = (XD : YD : ZD), the curve
// y^2 = x^3 + b ZD^6 holds D as the affine (XD, YD) and P as (x ZD^2, y ZD^3); the
// formulas never read b, so the chain (2i+1)P = (2i-1)P + D runs on mixed additions
// there. Each addition multiplies Z by a known ratio; walking the ratios back from
// the last Z brings every entry to Z = N(W), W the last Z on the curve itself, which
// lies in Fq so that psi maps the table to one on the same Z. The entries are then
// affine points of y^2 = x^3 + b zc^6, on which the caller computes; the result's Z
// is multiplied by zc.
void odd_multiples_g2_var(const G2Affine& p, std::array<G2Affine, kVarTable>& out, Fq& zc) {
  const J2 d = J2::from_affine(p).dbl_var();
  const Fq2 zd2 = d.z.sqr();
  const G2Affine d_iso{d.x, d.y, false};
  std::array<J2, kVarTable> j;
  std::array<Fq2, kVarTable> ratio;  // ratio[i] = Z(j[i]) / Z(j[i - 1])
  j[0] = {p.x * zd2, p.y * zd2 * d.z, Fq2::one()};
  for (int i = 1; i < kVarTable; ++i) {
    j[i] = j[i - 1].add_affine_unchecked(d_iso, ratio[i]);  // (2i-1)P != +-2P as 2i-3, 2i+1 != 0 mod r
  }
  const Fq2 w = j[kVarTable - 1].z * d.z;
  zc = w.norm();
  Fq2 rho = w.conj();
  for (int i = kVarTable - 1; i >= 0; --i) {
    const Fq2 rho2 = rho.sqr();
    out[i] = {j[i].x * rho2, j[i].y * (rho2 * rho), false};
    if (i > 0) rho = rho * ratio[i];
  }
}

G2 g2_mul_var(const G2Affine& p, const Fr& k) {
  if (p.infinity || k.is_zero()) return G2::identity();
  // k = sum_i s_i k_i L^i with k_i < 2^64 and psi = [L] on G2: four 64-bit terms over
  // the tables of P, psi(P), psi^2(P), psi^3(P), so about 64 doublings.
  uint64_t mag[4], neg[4];
  detail::gls4_split(k, mag, neg);
  std::array<std::array<G2Affine, kVarTable>, 4> t;
  Fq zc;
  odd_multiples_g2_var(p, t[0], zc);
  // psi(x, y) = (conj(x) c2, conj(y) c3); psi^2(x, y) = (x N(c2), y N(c3)) with the
  // norms in Fq, and psi^3 = psi^2 o psi.
  const Fq n2 = Fq::from_mont(params::FROB2_2[0]), n3 = Fq::from_mont(params::FROB2_3[0]);
  for (int j = 0; j < kVarTable; ++j) {
    t[1][j] = g2_psi(t[0][j]);
    t[2][j] = {t[0][j].x.mul_fq(n2), t[0][j].y.mul_fq(n3), false};
    t[3][j] = {t[1][j].x.mul_fq(n2), t[1][j].y.mul_fq(n3), false};
  }
  Term<G2Curve> terms[4];
  for (int i = 0; i < 4; ++i) {
    terms[i].table = t[i].data();
    terms[i].len = wnaf64_var(mag[i], kVarWindow, terms[i].digits);  // at most 65 digits
    // A negative quarter is folded into its digits.
    if (neg[i])
      for (int j = 0; j < terms[i].len; ++j) terms[i].digits[j] = (int8_t)-terms[i].digits[j];
  }
  J2 acc = straus_var(terms, 4);
  acc.z = acc.z.mul_fq(zc);
  return acc.to_proj();
}

G2 g2_mul_var(const G2& p, const Fr& k) { return g2_mul_var(p.to_affine_var(), k); }

bool g2_in_subgroup_var(const G2Affine& p) {
  if (p.infinity) return true;
  // [x]P by the NAF of x.
  J2 base = J2::from_affine(p);
  const G2Affine neg_p = -p;
  J2 xp = J2::identity();
  for (int i = (int)std::size(params::BN_X_NAF) - 1; i >= 0; --i) {
    xp = xp.dbl_var();
    const int d = params::BN_X_NAF[i];
    if (d > 0) xp = xp.add_affine_var(p);
    if (d < 0) xp = xp.add_affine_var(neg_p);
  }
  // psi on Jacobian coordinates: conjugate all three, scale X by xi^((q-1)/3) and Y
  // by xi^((q-1)/2) (x = X/Z^2 and y = Y/Z^3 keep their meaning).
  auto psi = [](const J2& a) {
    return J2{a.x.conj() * Fq2::from_mont(params::FROB1_2), a.y.conj() * Fq2::from_mont(params::FROB1_3),
              a.z.conj()};
  };
  J2 psi_xp = psi(xp);
  J2 psi2_xp = psi(psi_xp);
  J2 lhs = xp.add_var(base).add_var(psi_xp).add_var(psi2_xp);
  J2 rhs = psi(psi(psi(xp.dbl_var())));
  return lhs.eq_var(rhs);
}

}  // namespace vorn::bn254
