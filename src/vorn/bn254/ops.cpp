#include "vorn/bn254/ops.h"

#include <vector>

#include "vorn/bn254/pairing.h"
#include "vorn/bn254/scalar_mul.h"

namespace vorn::bn254 {

Result<G1Words> g1_add(const G1Words& a, const G1Words& b) {
  VORN_TRY(G1Affine pa, g1_from_w(a));
  VORN_TRY(G1Affine pb, g1_from_w(b));
  return w_from_g1((G1::from_affine(pa).add_affine(pb)).to_affine_var());
}

Result<G1Words> g1_mul(const G1Words& p, const W& k) {
  VORN_TRY(G1Affine pa, g1_from_w(p));
  return w_from_g1(g1_mul_var(pa, Fr::from_w_reduce(k)).to_affine_var());
}

Result<G1Words> g1_neg(const G1Words& p) {
  VORN_TRY(G1Affine pa, g1_from_w(p));
  return w_from_g1(-pa);
}

Result<G2Words> g2_add(const G2Words& a, const G2Words& b) {
  VORN_TRY(G2Affine pa, g2_from_w(a));
  VORN_TRY(G2Affine pb, g2_from_w(b));
  return w_from_g2((G2::from_affine(pa).add_affine(pb)).to_affine_var());
}

Result<G2Words> g2_mul(const G2Words& p, const W& k) {
  VORN_TRY(G2Affine pa, g2_from_w(p));
  return w_from_g2(g2_mul_var(pa, Fr::from_w_reduce(k)).to_affine_var());
}

Result<bool> pairing_check(std::span<const PairingWords> pairs) {
  std::vector<PairingInput> decoded;
  decoded.reserve(pairs.size());
  for (const auto& [g1, g2] : pairs) {
    VORN_TRY(G1Affine p, g1_from_w(g1));
    VORN_TRY(G2Affine q, g2_from_w(g2));
    decoded.emplace_back(p, q);
  }
  return product_is_one(decoded);
}

}  // namespace vorn::bn254
