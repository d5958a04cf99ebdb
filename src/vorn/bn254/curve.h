// The groups G1 (y^2 = x^3 + 3 over Fq) and G2 (the order-r subgroup of the twist
// y^2 = x^3 + 3/(9+u) over Fq2).
//
// Affine points carry an explicit `infinity` flag (x and y are then zero); an affine
// point with infinity == false is a finite point (x, y). Projective points (X:Y:Z)
// stand for (X/Z, Y/Z); the identity is any (0:Y:0) with Y != 0. Projective
// arithmetic uses the complete formulas of Renes, Costello and Batina for a = 0:
// the same straight-line code for every input, identity and doubling included, so
// it is constant time and safe for secret data.
#pragma once

#include <cstddef>

#include "vorn/bn254/fields.h"
#include "vorn/bn254/params.h"
#include "vorn/bn254/towers.h"

namespace vorn::bn254 {

// Curve descriptions for the point templates: the coordinate field, b, and a
// multiplication by 3b for the complete formulas.
struct G1Curve {
  using F = Fq;
  static F b() { return Fq::from_u64(params::G1_B); }
  /// 3b * a = 9a by additions.
  static F mul_b3(const F& a) { return a.dbl().dbl().dbl() + a; }
};

struct G2Curve {
  using F = Fq2;
  static F b() { return Fq2::from_mont(params::TWIST_B); }
  static F mul_b3(const F& a) { return a * Fq2::from_mont(params::TWIST_B3); }
};

template <class C>
struct AffinePoint {
  using F = typename C::F;
  F x, y;
  bool infinity;

  /// The point at infinity (x = y = 0, infinity = true).
  static AffinePoint identity() { return {F::zero(), F::zero(), true}; }
  /// True when the point is infinity or satisfies the curve equation (constant time).
  bool is_on_curve() const { return infinity | (y.sqr() == x.sqr() * x + C::b()); }
  /// -P (infinity stays infinity).
  AffinePoint operator-() const { return {x, infinity ? y : -y, infinity}; }
  /// Group equality (constant time; the coordinates of infinity are ignored).
  bool operator==(const AffinePoint& o) const {
    const bool both_inf = infinity & o.infinity, both_finite = !infinity & !o.infinity;
    return both_inf | (both_finite & (x == o.x) & (y == o.y));
  }
  bool operator!=(const AffinePoint& o) const { return !(*this == o); }
};

template <class C>
struct ProjPoint {
  using F = typename C::F;
  using Affine = AffinePoint<C>;
  F x, y, z;

  /// The identity (0:1:0).
  static ProjPoint identity() { return {F::zero(), F::one(), F::zero()}; }
  /// Lifts an affine point (infinity becomes the identity). Constant time.
  static ProjPoint from_affine(const Affine& a) {
    const uint64_t inf = a.infinity;
    return {F::select(inf, F::zero(), a.x), F::select(inf, F::one(), a.y), F::select(inf, F::zero(), F::one())};
  }

  /// True for the identity (Z = 0).
  bool is_identity() const { return z.is_zero(); }
  /// True when Y^2 Z = X^3 + b Z^3 and the point is not (0:0:0) (constant time).
  bool is_on_curve() const {
    const bool all_zero = x.is_zero() & y.is_zero() & z.is_zero();
    return !all_zero & (y.sqr() * z == x.sqr() * x + C::b() * z.sqr() * z);
  }
  /// Group equality of projective representatives (constant time).
  bool operator==(const ProjPoint& o) const {
    const bool id1 = is_identity(), id2 = o.is_identity();
    const bool same = (x * o.z == o.x * z) & (y * o.z == o.y * z);
    return (id1 & id2) | (!id1 & !id2 & same);
  }
  bool operator!=(const ProjPoint& o) const { return !(*this == o); }

  ProjPoint operator-() const { return {x, -y, z}; }

  /// The steps both complete additions end with, from the products t0 = X1 X2,
  /// t1 = Y1 Y2, t2 = Z1 Z2 and the cross terms t3 = X1 Y2 + X2 Y1,
  /// t4 = Y1 Z2 + Y2 Z1, y3 = X1 Z2 + X2 Z1.
  __attribute__((always_inline)) static ProjPoint add_tail(F t0, F t1, F t2, const F& t3, const F& t4, F y3) {
    F x3 = t0.dbl();
    t0 = x3 + t0;  // 3 X1 X2
    t2 = C::mul_b3(t2);
    F z3 = t1 + t2;
    t1 = t1 - t2;
    y3 = C::mul_b3(y3);
    x3 = t3 * t1 - t4 * y3;
    y3 = t1 * z3 + y3 * t0;
    z3 = z3 * t4 + t0 * t3;
    return {x3, y3, z3};
  }

  /// Complete addition (any two points, equal ones included).
  ProjPoint operator+(const ProjPoint& o) const {
    F t0 = x * o.x, t1 = y * o.y, t2 = z * o.z;
    F t3 = (x + y) * (o.x + o.y) - (t0 + t1);
    F t4 = (y + z) * (o.y + o.z) - (t1 + t2);
    F y3 = (x + z) * (o.x + o.z) - (t0 + t2);
    return add_tail(t0, t1, t2, t3, t4, y3);
  }
  ProjPoint operator-(const ProjPoint& o) const { return *this + (-o); }
  ProjPoint& operator+=(const ProjPoint& o) { return *this = *this + o; }
  ProjPoint& operator-=(const ProjPoint& o) { return *this = *this - o; }

  /// Complete mixed addition with an affine point (infinity allowed). Constant time.
  ProjPoint add_affine(const Affine& a) const {
    F t0 = x * a.x, t1 = y * a.y;
    F t3 = (a.x + a.y) * (x + y) - (t0 + t1);
    F t4 = a.y * z + y;
    F y3 = a.x * z + x;
    const ProjPoint s = add_tail(t0, t1, z, t3, t4, y3);
    const uint64_t inf = a.infinity;
    return select(inf, *this, s);
  }

  /// Complete doubling.
  ProjPoint dbl() const {
    F t0 = y.sqr();
    F z3 = t0.dbl().dbl().dbl();
    F t1 = y * z;
    F t2 = C::mul_b3(z.sqr());
    F x3 = t2 * z3;
    F y3 = t0 + t2;
    z3 = t1 * z3;
    t2 = t2.dbl() + t2;
    t0 = t0 - t2;
    y3 = t0 * y3 + x3;
    x3 = (t0 * (x * y)).dbl();
    return {x3, y3, z3};
  }

  /// Constant-time select: a when flag is 1, b when 0.
  static ProjPoint select(uint64_t flag, const ProjPoint& a, const ProjPoint& b) {
    return {F::select(flag, a.x, b.x), F::select(flag, a.y, b.y), F::select(flag, a.z, b.z)};
  }

  /// Affine form with one constant-time inversion.
  Affine to_affine() const {
    F zi = z.inv();
    const uint64_t inf = is_identity();
    return {F::select(inf, F::zero(), x * zi), F::select(inf, F::zero(), y * zi), inf != 0};
  }
  /// Affine form with one variable-time inversion (public points only).
  Affine to_affine_var() const {
    if (is_identity()) return Affine::identity();
    F zi = z.inv_var();
    return {x * zi, y * zi, false};
  }
};

using G1Affine = AffinePoint<G1Curve>;
using G2Affine = AffinePoint<G2Curve>;
using G1 = ProjPoint<G1Curve>;
using G2 = ProjPoint<G2Curve>;

/// The generator (1, 2) of G1.
G1Affine g1_generator();
/// The generator of G2.
G2Affine g2_generator();

/// Normalises n projective points to affine with a single constant-time inversion
/// (Montgomery's trick); identities become infinity. `out` may not alias `in`.
void g1_batch_to_affine(const G1* in, G1Affine* out, size_t n);
void g2_batch_to_affine(const G2* in, G2Affine* out, size_t n);

/// The twist endomorphism psi (untwist, Frobenius, twist): psi(x, y) =
/// (conj(x) xi^((q-1)/3), conj(y) xi^((q-1)/2)). It acts on G2 as multiplication by
/// q = 6x^2 mod r. Works on any twist point (infinity maps to infinity).
G2Affine g2_psi(const G2Affine& p);
G2 g2_psi(const G2& p);

/// The G1 endomorphism (x, y) -> (beta x, y), equal to multiplication by lambda.
G1Affine g1_endo(const G1Affine& p);

}  // namespace vorn::bn254
