#include "vorn/wallet/group_args.h"

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/core/ct.h"
#include "vorn/crypto/group.h"
#include "vorn/hash/pedersen.h"
#include "vorn/wallet/args.h"

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

G1 mul_ct(const G1Affine& p, const Fr& k) { return bn254::g1_mul_ct(p, k); }

Result<G1> mul_h_ct(const Fr& k) {
  VORN_TRY(const G1Affine h, hash::h_pedersen_affine());
  return bn254::g1_mul_ct(h, k);
}

Json g1_dec(const G1Words& p) {
  Json o = Json::object();
  o.set("x", Json::string(dec_w(p[0])));
  o.set("y", Json::string(dec_w(p[1])));
  return o;
}

Json ct_dec(const CiphertextW& ct) {
  Json o = Json::object();
  o.set("R", g1_dec(ct.r));
  o.set("C", g1_dec(ct.c));
  return o;
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
