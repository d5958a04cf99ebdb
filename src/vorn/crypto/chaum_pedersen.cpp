#include "vorn/crypto/chaum_pedersen.h"

#include "vorn/core/ct.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

using bn254::g1_mul_ct;
using bn254::g1_mul_gen_ct;

namespace {

W challenge(const Ciphertext& ea, const Ciphertext& eb, const G1Affine& pka, const G1Affine& pkb,
            const G1Affine& t1, const G1Affine& t2, const G1Affine& t3, const CpContext& ctx) {
  hash::Transcript t(hash::Tag::Approve);
  t.p(ea.R).p(ea.C).p(eb.R).p(eb.C).p(pka).p(pkb).p(t1).p(t2).p(t3);
  t.w(ctx.sender).w(ctx.spender).w(ctx.chainid).w(ctx.registry);
  return t.e();
}

}  // namespace

CpProof chaum_pedersen_prove(const Ciphertext& e_alice, const Ciphertext& e_bob, const G1Affine& pk_alice,
                             const G1Affine& pk_bob, const Fr& sk_alice, const Fr& r_prime, const CpContext& ctx,
                             const Fr& k1, const Fr& k2) {
  auto t = to_affine_ct<3>({
      g1_mul_gen_ct(k1),                                      // T1
      g1_mul_ct(e_alice.R, k1) - g1_mul_ct(pk_bob, k2),       // T2
      g1_mul_gen_ct(k2),                                      // T3
  });
  t = ct::declassify(t);  // the commitments are published in the proof
  const W e = challenge(e_alice, e_bob, pk_alice, pk_bob, t[0], t[1], t[2], ctx);
  const Fr ef = fr(e);
  return {t[0], t[1], t[2], e, respond(k1, ef, sk_alice), respond(k2, ef, r_prime)};
}

bool cp_scalars_in_range(const CpProof& p) {
  return bn254::w_lt_order(p.e) && bn254::w_lt_order(p.s1) && bn254::w_lt_order(p.s2);
}

bool chaum_pedersen_verify(const Ciphertext& e_alice, const Ciphertext& e_bob, const G1Affine& pk_alice,
                           const G1Affine& pk_bob, const CpProof& p, const CpContext& ctx) {
  if (!cp_scalars_in_range(p)) return false;
  if (pk_alice.infinity || pk_bob.infinity || e_alice.R.infinity || e_bob.R.infinity) return false;
  const G1Affine g = gen_g1();
  const Fr e = fr(p.e), s1 = fr(p.s1), s2 = fr(p.s2);
  if (!msm_equals_var({g, pk_alice}, {s1, -e}, p.T1)) return false;  // key
  if (!msm_equals_var({g, e_bob.R}, {s2, -e}, p.T3)) return false;   // randomness
  // Equality: s1*R_a - s2*pk_bob - e*C_a + e*C_b == T2.
  if (!msm_equals_var({e_alice.R, pk_bob, e_alice.C, e_bob.C}, {s1, -s2, -e, e}, p.T2)) return false;
  return challenge(e_alice, e_bob, pk_alice, pk_bob, p.T1, p.T2, p.T3, ctx) == p.e;
}

}  // namespace vorn::crypto
