#include "vorn/bn254/ops.h"

#include <vector>

#include "vorn/bn254/pairing.h"
#include "vorn/bn254/scalar_mul.h"

namespace vorn::bn254 {

namespace {

// The decoder, encoder and scalar product of each group, so that the addition and
// the product below are written once for both.
struct G1Ops {
  using Words = G1Words;
  using Proj = G1;
  static Result<G1Affine> decode(const Words& w) { return g1_from_w(w); }
  static Words encode(const G1Affine& p) { return w_from_g1(p); }
  static G1 mul(const G1Affine& p, const Fr& k) { return g1_mul_var(p, k); }
};
struct G2Ops {
  using Words = G2Words;
  using Proj = G2;
  static Result<G2Affine> decode(const Words& w) { return g2_from_w(w); }
  static Words encode(const G2Affine& p) { return w_from_g2(p); }
  static G2 mul(const G2Affine& p, const Fr& k) { return g2_mul_var(p, k); }
};

template <class O>
Result<typename O::Words> add_words(const typename O::Words& a, const typename O::Words& b) {
  VORN_TRY(auto pa, O::decode(a));
  VORN_TRY(auto pb, O::decode(b));
  return O::encode((O::Proj::from_affine(pa).add_affine(pb)).to_affine_var());
}

template <class O>
Result<typename O::Words> mul_words(const typename O::Words& p, const W& k) {
  VORN_TRY(auto pa, O::decode(p));
  return O::encode(O::mul(pa, Fr::from_w_reduce(k)).to_affine_var());
}

}  // namespace

Result<G1Words> g1_add(const G1Words& a, const G1Words& b) { return add_words<G1Ops>(a, b); }

Result<G1Words> g1_mul(const G1Words& p, const W& k) { return mul_words<G1Ops>(p, k); }

Result<G1Words> g1_neg(const G1Words& p) {
  VORN_TRY(G1Affine pa, g1_from_w(p));
  return w_from_g1(-pa);
}

Result<G2Words> g2_add(const G2Words& a, const G2Words& b) { return add_words<G2Ops>(a, b); }

Result<G2Words> g2_mul(const G2Words& p, const W& k) { return mul_words<G2Ops>(p, k); }

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
