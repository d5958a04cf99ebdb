#include "vorn/crypto/group.h"

#include <span>

#include "vorn/hash/pedersen.h"

namespace vorn::crypto {

Result<G1Affine> pedersen_h() { return hash::h_pedersen_affine(); }

bool ct_equal(const G1& a, const G1& b) {
  // Fq equality is branch-free; `&` (not `&&`) keeps both comparisons.
  const bool xs = (a.x * b.z) == (b.x * a.z);
  const bool ys = (a.y * b.z) == (b.y * a.z);
  return xs & ys;
}

G1Words w_from_g1_ct(const G1Affine& p) {
  const uint64_t inf = p.infinity;
  return {bn254::Fq::select(inf, bn254::Fq::zero(), p.x).to_w(), bn254::Fq::select(inf, bn254::Fq::zero(), p.y).to_w()};
}

bool msm_equals_var(std::initializer_list<G1Affine> points, std::initializer_list<Fr> scalars,
                    const G1Affine& target) {
  const G1 sum = bn254::g1_msm_var(std::span<const G1Affine>(points.begin(), points.size()),
                                   std::span<const Fr>(scalars.begin(), scalars.size()));
  return sum == G1::from_affine(target);
}

}  // namespace vorn::crypto
