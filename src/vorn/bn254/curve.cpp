#include "vorn/bn254/curve.h"

#include <vector>

namespace vorn::bn254 {

G1Affine g1_generator() { return {Fq::one(), Fq::from_u64(2), false}; }

G2Affine g2_generator() {
  using namespace params;
  return {{Fq::from_limbs(G2_X_C0), Fq::from_limbs(G2_X_C1)}, {Fq::from_limbs(G2_Y_C0), Fq::from_limbs(G2_Y_C1)}, false};
}

namespace {

template <class C>
void batch_to_affine(const ProjPoint<C>* in, AffinePoint<C>* out, size_t n) {
  using F = typename C::F;
  if (n == 0) return;
  // prefix[i] = product of the z's before i (an identity's zero z is replaced by 1).
  std::vector<F> prefix(n);
  F acc = F::one();
  for (size_t i = 0; i < n; ++i) {
    prefix[i] = acc;
    const uint64_t inf = in[i].is_identity();
    acc = acc * F::select(inf, F::one(), in[i].z);
  }
  F inv = acc.inv();
  for (size_t i = n; i-- > 0;) {
    const uint64_t inf = in[i].is_identity();
    const F z = F::select(inf, F::one(), in[i].z);
    const F zi = inv * prefix[i];
    inv = inv * z;
    out[i].x = F::select(inf, F::zero(), in[i].x * zi);
    out[i].y = F::select(inf, F::zero(), in[i].y * zi);
    out[i].infinity = inf != 0;
  }
}

}  // namespace

void g1_batch_to_affine(const G1* in, G1Affine* out, size_t n) { batch_to_affine(in, out, n); }
void g2_batch_to_affine(const G2* in, G2Affine* out, size_t n) { batch_to_affine(in, out, n); }

G2Affine g2_psi(const G2Affine& p) {
  return {p.x.conj() * Fq2::from_mont(params::FROB1_2), p.y.conj() * Fq2::from_mont(params::FROB1_3), p.infinity};
}

G2 g2_psi(const G2& p) {
  // Homogeneous coordinates: x = X/Z, so psi scales X and Y and conjugates all three.
  return {p.x.conj() * Fq2::from_mont(params::FROB1_2), p.y.conj() * Fq2::from_mont(params::FROB1_3), p.z.conj()};
}

G1Affine g1_endo(const G1Affine& p) { return {p.x * Fq::from_mont(params::GLV_BETA), p.y, p.infinity}; }

}  // namespace vorn::bn254
