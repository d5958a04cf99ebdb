// The extension tower of BN254 used by G2 and the pairing:
//   Fq2  = Fq[u]  / (u^2 + 1)
//   Fq6  = Fq2[v] / (v^3 - xi),  xi = 9 + u
//   Fq12 = Fq6[w] / (w^2 - v)
// Elements are stored coefficient-wise (c0 + c1*u, c0 + c1*v + c2*v^2, c0 + c1*w).
// All arithmetic is branch-free (built on the branch-free Fq); functions ending in
// `_var` and `pow` (time depends on the public exponent only) are the exceptions.
#pragma once

#include <array>
#include <cstdint>

#include "vorn/bn254/fields.h"
#include "vorn/bn254/params.h"

namespace vorn::bn254 {

struct Fq2 {
  Fq c0, c1;

  /// 0 and 1.
  static Fq2 zero() { return {Fq::zero(), Fq::zero()}; }
  static Fq2 one() { return {Fq::one(), Fq::zero()}; }
  /// Loads a constant stored as two Montgomery-form limb arrays {c0, c1}.
  static Fq2 from_mont(const uint64_t m[2][4]) { return {Fq::from_mont(m[0]), Fq::from_mont(m[1])}; }

  // Sum, difference and negation, coefficient-wise.
  Fq2 operator+(const Fq2& o) const { return {c0 + o.c0, c1 + o.c1}; }
  Fq2 operator-(const Fq2& o) const { return {c0 - o.c0, c1 - o.c1}; }
  Fq2 operator-() const { return {-c0, -c1}; }
  /// Karatsuba product: three 512-bit products, one reduction per coordinate.
  Fq2 operator*(const Fq2& o) const;
  Fq2& operator+=(const Fq2& o) { return *this = *this + o; }
  Fq2& operator-=(const Fq2& o) { return *this = *this - o; }
  Fq2& operator*=(const Fq2& o) { return *this = *this * o; }
  /// Square: (c0 + c1)(c0 - c1) + 2 c0 c1 u, two Fq multiplications.
  Fq2 sqr() const {
    Fq t = c0 * c1;
    return {(c0 + c1) * (c0 - c1), t + t};
  }
  Fq2 dbl() const { return {c0.dbl(), c1.dbl()}; }
  Fq2 half() const { return {c0.half(), c1.half()}; }
  /// Multiplication by an element of the base field.
  Fq2 mul_fq(const Fq& s) const { return {c0 * s, c1 * s}; }
  /// Multiplication by xi = 9 + u: (9 c0 - c1) + (c0 + 9 c1) u.
  Fq2 mul_by_xi() const { return {c0.times9_minus(c1), c1.times9_plus(c0)}; }
  /// Conjugate c0 - c1 u, which is also the Frobenius map x -> x^q.
  Fq2 conj() const { return {c0, -c1}; }
  /// Norm c0^2 + c1^2 (in Fq).
  Fq norm() const { return c0.sqr() + c1.sqr(); }
  /// Constant-time inverse; zero maps to zero.
  Fq2 inv() const {
    Fq t = norm().inv();
    return {c0 * t, -(c1 * t)};
  }
  /// Variable-time inverse for public values; zero maps to zero.
  Fq2 inv_var() const {
    Fq t = norm().inv_var();
    return {c0 * t, -(c1 * t)};
  }
  /// a^e with e four limbs, least significant first (time depends on e only).
  Fq2 pow(const uint64_t e[4]) const;
  /// Square root for public values: true and out set when a is a square (out is
  /// then one of the two roots), false otherwise with out untouched.
  bool sqrt_var(Fq2& out) const;

  /// Constant-time zero test and equality.
  bool is_zero() const { return c0.is_zero() & c1.is_zero(); }
  bool operator==(const Fq2& o) const { return (c0 == o.c0) & (c1 == o.c1); }
  bool operator!=(const Fq2& o) const { return !(*this == o); }
  /// a when flag is 1, b when 0 (constant time).
  static Fq2 select(uint64_t flag, const Fq2& a, const Fq2& b) {
    return {Fq::select(flag, a.c0, b.c0), Fq::select(flag, a.c1, b.c1)};
  }
};

namespace detail {

// k p^2 as eight limbs: the offsets that keep differences of double-width values
// non-negative (a multiple of p, so the reduced value does not change).
constexpr std::array<uint64_t, 8> fq_mod_sq_times(uint64_t k) {
  std::array<uint64_t, 8> t{};
  mul_wide_portable(t.data(), params::FQ_MOD, params::FQ_MOD);
  uint64_t c = 0;
  for (int i = 0; i < 8; ++i) {
    const u128 s = (u128)t[i] * k + c;
    t[i] = (uint64_t)s;
    c = (uint64_t)(s >> 64);
  }
  return t;
}
inline constexpr std::array<uint64_t, 8> kFqModSq = fq_mod_sq_times(1), kFqModSq2 = fq_mod_sq_times(2),
                                          kFqModSq4 = fq_mod_sq_times(4);

// An element of Fq2 as two unreduced 512-bit coordinates (c0 + c1 u), each reduced
// once by fq2_redc. p < 0.19 * 2^256, so p 2^256 > 5 p^2: a coordinate below 5 p^2
// takes one conditional subtraction after the reduction (kSteps = 1), one below
// 10 p^2 two (kSteps = 2).
struct Fq2Wide {
  uint64_t c0[8], c1[8];
};

// r = a b for a, b with coordinates below p, by Karatsuba: c0 = a0 b0 + p^2 - a1 b1
// and c1 = (a0 + a1)(b0 + b1) - a0 b0 - a1 b1 = a0 b1 + a1 b0, both in [0, 2p^2).
// The sums a0 + a1 and b0 + b1 stay unreduced (below 2p < 2^255).
// kAdx names the code path (mul_wide_on).
template <bool kAdx>
__attribute__((always_inline)) inline void fq2_mul_wide(Fq2Wide& r, const Fq2& a, const Fq2& b) {
  uint64_t sa[4], sb[4], t0[8], t1[8], t2[8];
  add4(sa, a.c0.v, a.c1.v);
  add4(sb, b.c0.v, b.c1.v);
  mul_wide_on<kAdx>(t0, a.c0.v, b.c0.v);
  mul_wide_on<kAdx>(t1, a.c1.v, b.c1.v);
  mul_wide_on<kAdx>(t2, sa, sb);  // below 4p^2
  wide_sub2(r.c1, t2, t0, t1);
  wide_add_sub(r.c0, t0, kFqModSq.data(), t1);
}

// The element of Fq2 a represents (each coordinate times 2^-256 mod p); the
// coordinates must be below kSteps p 2^256.
template <int kSteps, bool kAdx>
__attribute__((always_inline)) inline Fq2 fq2_redc(const Fq2Wide& a) {
  Fq2 r;
  mont_redc_on<kSteps, kAdx>(r.c0.v, a.c0, params::FQ_MOD_INV, ModMultiples<params::FQ_MOD_INV>::two);
  mont_redc_on<kSteps, kAdx>(r.c1.v, a.c1, params::FQ_MOD_INV, ModMultiples<params::FQ_MOD_INV>::two);
  return r;
}

// r = x + k - a (coordinate-wise), and r = x + k - a - b, for an offset k (eight
// limbs, a multiple of p^2) at least a (at least a + b): exact, never negative.
__attribute__((always_inline)) inline void fq2_wide_sub(Fq2Wide& r, const Fq2Wide& x, const Fq2Wide& a, const uint64_t k[8]) {
  wide_add_sub(r.c0, x.c0, k, a.c0);
  wide_add_sub(r.c1, x.c1, k, a.c1);
}
__attribute__((always_inline)) inline void fq2_wide_sub2(Fq2Wide& r, const Fq2Wide& x, const Fq2Wide& a, const Fq2Wide& b, const uint64_t k[8]) {
  fq2_wide_sub(r, x, a, k);
  wide_sub(r.c0, r.c0, b.c0);
  wide_sub(r.c1, r.c1, b.c1);
}

template <bool kAdx>
__attribute__((always_inline)) inline Fq2 fq2_mul(const Fq2& a, const Fq2& b) {
  Fq2Wide t;
  fq2_mul_wide<kAdx>(t, a, b);
  return fq2_redc<1, kAdx>(t);  // both coordinates below 2p^2
}

}  // namespace detail

inline Fq2 Fq2::operator*(const Fq2& o) const {
  return detail::use_adx() ? detail::fq2_mul<true>(*this, o) : detail::fq2_mul<false>(*this, o);
}

struct Fq6 {
  Fq2 c0, c1, c2;

  /// 0 and 1.
  static Fq6 zero() { return {Fq2::zero(), Fq2::zero(), Fq2::zero()}; }
  static Fq6 one() { return {Fq2::one(), Fq2::zero(), Fq2::zero()}; }

  // Sum, difference and negation, coefficient-wise.
  Fq6 operator+(const Fq6& o) const { return {c0 + o.c0, c1 + o.c1, c2 + o.c2}; }
  Fq6 operator-(const Fq6& o) const { return {c0 - o.c0, c1 - o.c1, c2 - o.c2}; }
  Fq6 operator-() const { return {-c0, -c1, -c2}; }
  /// Karatsuba product: six Fq2 multiplications.
  Fq6 operator*(const Fq6& o) const;
  Fq6& operator+=(const Fq6& o) { return *this = *this + o; }
  Fq6& operator-=(const Fq6& o) { return *this = *this - o; }
  Fq6& operator*=(const Fq6& o) { return *this = *this * o; }
  /// Chung-Hasan square (two multiplications, three squarings in Fq2).
  Fq6 sqr() const;
  Fq6 dbl() const { return {c0.dbl(), c1.dbl(), c2.dbl()}; }
  /// Multiplication by v: (xi c2, c0, c1).
  Fq6 mul_by_v() const { return {c2.mul_by_xi(), c0, c1}; }
  /// Multiplication by b0 + b1 v (sparse, five Fq2 multiplications).
  Fq6 mul_by_01(const Fq2& b0, const Fq2& b1) const;
  /// Multiplication by an Fq2 scalar.
  Fq6 mul_fq2(const Fq2& s) const { return {c0 * s, c1 * s, c2 * s}; }
  /// Constant-time inverse; zero maps to zero.
  Fq6 inv() const;
  /// Variable-time inverse for public values; zero maps to zero.
  Fq6 inv_var() const;

  /// Constant-time zero test and equality.
  bool is_zero() const { return c0.is_zero() & c1.is_zero() & c2.is_zero(); }
  bool operator==(const Fq6& o) const { return (c0 == o.c0) & (c1 == o.c1) & (c2 == o.c2); }
  bool operator!=(const Fq6& o) const { return !(*this == o); }
};

struct Fq12 {
  Fq6 c0, c1;

  /// 0 and 1.
  static Fq12 zero() { return {Fq6::zero(), Fq6::zero()}; }
  static Fq12 one() { return {Fq6::one(), Fq6::zero()}; }

  // Sum, difference and negation, coefficient-wise.
  Fq12 operator+(const Fq12& o) const { return {c0 + o.c0, c1 + o.c1}; }
  Fq12 operator-(const Fq12& o) const { return {c0 - o.c0, c1 - o.c1}; }
  Fq12 operator-() const { return {-c0, -c1}; }
  /// Karatsuba product: three Fq6 multiplications.
  Fq12 operator*(const Fq12& o) const;
  Fq12& operator*=(const Fq12& o) { return *this = *this * o; }
  /// Complex-method square: two Fq6 multiplications.
  Fq12 sqr() const;
  /// Multiplication by the sparse element c0 + c3 w + c4 v w (a line value with its
  /// coefficients at w^0, w^1 and w^3): thirteen Fq2 multiplications.
  Fq12 mul_by_034(const Fq2& c0, const Fq2& c3, const Fq2& c4) const;
  /// The product of two line values (c0 + c3 w + c4 v w)(d0 + d3 w + d4 v w): six Fq2
  /// multiplications; the result has no v^2 w coefficient.
  static Fq12 line_product(const Fq2& c0, const Fq2& c3, const Fq2& c4, const Fq2& d0, const Fq2& d3,
                           const Fq2& d4);
  /// Multiplication by an element whose v^2 w coefficient is zero (a product of two
  /// line values): seventeen Fq2 multiplications, against twenty-six for the two lines
  /// folded in one after the other.
  Fq12 mul_by_line_product(const Fq12& g) const;
  /// Conjugate c0 - c1 w, i.e. x^(q^6); the inverse on the cyclotomic subgroup.
  Fq12 conj() const { return {c0, -c1}; }
  /// Constant-time inverse; zero maps to zero.
  Fq12 inv() const;
  /// Variable-time inverse for public values; zero maps to zero.
  Fq12 inv_var() const;
  /// x^(q^k) for k = 1, 2, 3.
  Fq12 frobenius(int k) const;
  /// Granger-Scott square; valid only on the cyclotomic subgroup (elements of order
  /// dividing q^4 - q^2 + 1, e.g. any value after the easy part of the final
  /// exponentiation). Elsewhere the result is meaningless.
  Fq12 cyclotomic_sqr() const;
  /// a^e with e four limbs (time depends on e only). For tests and rare uses.
  Fq12 pow(const uint64_t e[4]) const;

  /// Constant-time zero test, one test and equality.
  bool is_zero() const { return c0.is_zero() & c1.is_zero(); }
  bool is_one() const { return *this == one(); }
  bool operator==(const Fq12& o) const { return (c0 == o.c0) & (c1 == o.c1); }
  bool operator!=(const Fq12& o) const { return !(*this == o); }
};

}  // namespace vorn::bn254
