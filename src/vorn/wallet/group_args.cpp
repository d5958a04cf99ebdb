#include "vorn/wallet/group_args.h"

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/core/ct.h"
#include "vorn/crypto/group.h"
#include "vorn/hash/pedersen.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"

namespace vorn::wallet {

Fr fr_of(const W& w) { return Fr::from_w_reduce(w); }

Result<G1Affine> decode_g1(const G1Words& p) { return bn254::g1_from_w(p); }

G1Words point_words(const G1Affine& p) {
  // These points may come from secrets (r_note*G before it is compared), so the
  // conversion must not branch on them.
  return crypto::w_from_g1_ct(p);
}

G1Words point_words(const G1& p) { return point_words(p.to_affine()); }

bool same_word(const W& a, const W& b) { return ct::declassify(ct::equal(a.data(), b.data(), 32)); }

bool same_words(const G1Words& a, const G1Words& b) {
  return ct::declassify(ct::equal(a[0].data(), b[0].data(), 32) & ct::equal(a[1].data(), b[1].data(), 32));
}

G1 mul_g_ct(const Fr& k) { return bn254::g1_mul_gen_ct(k); }

G1Words mul_g_words(const W& k) { return point_words(mul_g_ct(fr_of(k))); }

Status check_nonces(std::span<const Fr> nonces) {
  bool bad = false;
  for (size_t i = 0; i < nonces.size(); ++i) {
    bad |= nonces[i].is_zero();
    for (size_t k = i + 1; k < nonces.size(); ++k) bad |= (nonces[i] - nonces[k]).is_zero();
  }
  if (ct::declassify(bad)) return err(kUnsafeNonces);
  return ok_status();
}

Result<G1Words> binding_identity(const G1Words& c_words, const G1Words& t_words, const W& gamma) {
  VORN_TRY(const G1Affine c, decode_g1(c_words));
  VORN_TRY(const G1Affine t, decode_g1(t_words));
  VORN_TRY(const G1Affine h, hash::h_pedersen_affine());
  const G1 carried = bn254::g1_mul_var(h, fr_of(gamma)).add_affine(c) - G1::from_affine(t);
  return bn254::w_from_g1(carried.to_affine_var());
}

G1 mul_ct(const G1Affine& p, const Fr& k) { return bn254::g1_mul_ct(p, k); }

Result<G1> mul_h_ct(const Fr& k) {
  VORN_TRY(const G1Affine h, hash::h_pedersen_affine());
  return bn254::g1_mul_ct(h, k);
}

Json dec_scalar(const W& w) { return Json::string(dec_w(reduce_mod_r(w))); }

Json limbs(const W& w) {
  Json a = Json::array();
  for (int i = 0; i < 4; ++i) {
    uint64_t limb = 0;
    for (int k = 0; k < 8; ++k) limb = limb << 8 | w.b[8 * (3 - i) + k];
    a.push(Json::string(std::to_string(limb)));
  }
  return a;
}

}  // namespace vorn::wallet
