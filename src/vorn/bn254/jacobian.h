// Internal: Jacobian coordinates (X:Y:Z) standing for (X/Z^2, Y/Z^3), with the
// fastest a = 0 formulas (dbl-2009-l, add-2007-bl, madd-2007-bl). Every `_var`
// operation branches on the identity and on equal inputs and serves public-scalar
// code only; add_affine_unchecked is straight-line and leaves those cases to its
// caller.
#pragma once

#include "vorn/bn254/curve.h"

namespace vorn::bn254::detail {

template <class C>
struct Jac {
  using F = typename C::F;
  using Affine = AffinePoint<C>;
  F x, y, z;

  static Jac identity() { return {F::one(), F::one(), F::zero()}; }
  static Jac from_affine(const Affine& a) {
    if (a.infinity) return identity();
    return {a.x, a.y, F::one()};
  }
  /// From homogeneous projective (X:Y:Z): (XZ, YZ^2, Z).
  static Jac from_proj(const ProjPoint<C>& p) {
    if (p.is_identity()) return identity();
    F z2 = p.z.sqr();
    return {p.x * p.z, p.y * z2, p.z};
  }
  /// To homogeneous projective: (XZ, Y, Z^3).
  ProjPoint<C> to_proj() const {
    if (is_identity()) return ProjPoint<C>::identity();
    return {x * z, y, z.sqr() * z};
  }
  bool is_identity() const { return z.is_zero(); }

  Jac neg() const { return {x, -y, z}; }

  Jac dbl_var() const {
    if (is_identity()) return *this;
    F a = x.sqr(), b = y.sqr(), c = b.sqr();
    F d = ((x + b).sqr() - a - c).dbl();
    F e = a.dbl() + a;
    F f = e.sqr();
    F x3 = f - d.dbl();
    F y3 = e * (d - x3) - c.dbl().dbl().dbl();
    F z3 = (y * z).dbl();
    return {x3, y3, z3};
  }

  Jac add_affine_var(const Affine& q) const {
    if (q.infinity) return *this;
    if (is_identity()) return from_affine(q);
    F z1z1 = z.sqr();
    F u2 = q.x * z1z1;
    F s2 = q.y * z * z1z1;
    F h = u2 - x;
    F r = (s2 - y).dbl();
    if (h.is_zero()) {
      if (r.is_zero()) return dbl_var();
      return identity();
    }
    F hh = h.sqr();
    F i = hh.dbl().dbl();
    F j = h * i;
    F v = x * i;
    F x3 = r.sqr() - j - v.dbl();
    F y3 = r * (v - x3) - (y * j).dbl();
    F z3 = (z + h).sqr() - z1z1 - hh;
    return {x3, y3, z3};
  }

  /// The mixed addition without any check, for callers that know both points are
  /// finite and neither equal nor opposite; sets ratio = Z3 / Z1 (= 2H). Straight-line
  /// code, so it also serves constant-time callers that have ruled those cases out.
  Jac add_affine_unchecked(const Affine& q, F& ratio) const {
    F z1z1 = z.sqr();
    F h = q.x * z1z1 - x;
    F hh = h.sqr();
    F i = hh.dbl().dbl();
    F j = h * i;
    F r = (q.y * z * z1z1 - y).dbl();
    F v = x * i;
    F x3 = r.sqr() - j - v.dbl();
    ratio = h.dbl();
    return {x3, r * (v - x3) - (y * j).dbl(), z * ratio};
  }

  Jac add_var(const Jac& o) const {
    if (o.is_identity()) return *this;
    if (is_identity()) return o;
    F z1z1 = z.sqr(), z2z2 = o.z.sqr();
    F u1 = x * z2z2, u2 = o.x * z1z1;
    F s1 = y * o.z * z2z2, s2 = o.y * z * z1z1;
    F h = u2 - u1;
    F r = (s2 - s1).dbl();
    if (h.is_zero()) {
      if (r.is_zero()) return dbl_var();
      return identity();
    }
    F i = h.dbl().sqr();
    F j = h * i;
    F v = u1 * i;
    F x3 = r.sqr() - j - v.dbl();
    F y3 = r * (v - x3) - (s1 * j).dbl();
    F z3 = ((z + o.z).sqr() - z1z1 - z2z2) * h;
    return {x3, y3, z3};
  }

  bool eq_var(const Jac& o) const {
    if (is_identity() || o.is_identity()) return is_identity() == o.is_identity();
    F z1z1 = z.sqr(), z2z2 = o.z.sqr();
    if (x * z2z2 != o.x * z1z1) return false;
    return y * z2z2 * o.z == o.y * z1z1 * z;
  }
};

}  // namespace vorn::bn254::detail
