#include "vorn/crypto/registration.h"

#include "vorn/bn254/pairing.h"
#include "vorn/core/ct.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

using bn254::g1_mul_ct;
using bn254::g1_mul_gen_ct;

namespace {

W challenge(const G1Affine& a, const G1Affine& b, const Ciphertext& ct, const G1Affine& pk, const G1Affine& c1,
            const G1Affine& t_c, const G1Affine& t_r, const G1Affine& t_key, const W& registrant, const W& chainid,
            const W& registry) {
  hash::Transcript t(hash::Tag::Register);
  t.p(a).p(b).p(ct.R).p(ct.C).p(pk).p(c1).p(t_c).p(t_r).p(t_key);
  t.w(registrant).w(chainid).w(registry);
  return t.e();
}

}  // namespace

RegistrationProof registration_prove(const G1Affine& a, const G1Affine& b, const G1Affine& pk,
                                     const Ciphertext& e_ct, const RegistrationWitness& wit,
                                     const RegistrationNonces& n, const W& registrant, const W& chainid,
                                     const W& registry) {
  auto c = to_affine_ct<4>({
      g1_mul_ct(a, n.m_tilde) + g1_mul_gen_ct(n.b_tilde),    // C1
      g1_mul_gen_ct(n.m_tilde) + g1_mul_ct(pk, n.r_tilde),  // T_C
      g1_mul_gen_ct(n.r_tilde),                             // T_R
      g1_mul_gen_ct(n.sk_tilde),                            // T_key
  });
  c = ct::declassify(c);  // the commitments are published in the proof
  const W e = challenge(a, b, e_ct, pk, c[0], c[1], c[2], c[3], registrant, chainid, registry);
  const Fr ef = fr(e);
  return {c[0],
          c[1],
          c[2],
          c[3],
          e,
          respond(n.m_tilde, ef, wit.m),
          respond(n.b_tilde, ef, wit.blind),
          respond(n.r_tilde, ef, wit.r),
          respond(n.sk_tilde, ef, wit.sk)};
}

bool registration_scalars_in_range(const RegistrationProof& p) {
  return bn254::w_lt_order(p.e) && bn254::w_lt_order(p.s_m) && bn254::w_lt_order(p.s_b) &&
         bn254::w_lt_order(p.s_r) && bn254::w_lt_order(p.s_sk);
}

bool registration_verify(const G1Affine& a, const G1Affine& b, const Ciphertext& e_ct, const G1Affine& pk,
                         const G2Affine& issuer_x, const G2Affine& issuer_y, const RegistrationProof& p,
                         const W& registrant, const W& chainid, const W& registry) {
  if (!registration_scalars_in_range(p)) return false;
  if (a.infinity || b.infinity || pk.infinity || e_ct.R.infinity) return false;
  if (challenge(a, b, e_ct, pk, p.C1, p.T_C, p.T_R, p.T_key, registrant, chainid, registry) != p.e) return false;

  const G1Affine g = gen_g1();
  const Fr e = fr(p.e), s_m = fr(p.s_m), s_b = fr(p.s_b), s_r = fr(p.s_r), s_sk = fr(p.s_sk);
  if (!msm_equals_var({g, pk, e_ct.C}, {s_m, s_r, -e}, p.T_C)) return false;  // ciphertext
  if (!msm_equals_var({g, e_ct.R}, {s_r, -e}, p.T_R)) return false;           // randomness
  if (!msm_equals_var({g, pk}, {s_sk, -e}, p.T_key)) return false;            // key

  // Presentation: e(s_m*A + s_b*G - C1, Y) * e(e*A, X) * e(-e*B, g2) == 1.
  const Fr minus_one = -Fr::one();
  const G1 lhs[3] = {
      bn254::g1_msm_var(std::array<G1Affine, 3>{a, g, p.C1}, std::array<Fr, 3>{s_m, s_b, minus_one}),
      bn254::g1_mul_var(a, e),
      bn254::g1_mul_var(b, -e),
  };
  G1Affine aff[3];
  bn254::g1_batch_to_affine(lhs, aff, 3);
  const bn254::PairingInput pairs[3] = {{aff[0], issuer_y}, {aff[1], issuer_x}, {aff[2], bn254::g2_generator()}};
  return bn254::product_is_one(pairs);
}

}  // namespace vorn::crypto
