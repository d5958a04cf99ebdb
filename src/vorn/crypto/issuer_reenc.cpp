#include "vorn/crypto/issuer_reenc.h"

#include "vorn/core/ct.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

using bn254::g1_mul_ct;
using bn254::g1_mul_gen_ct;

namespace {

W challenge(const G1Affine& pk_iss, const Ciphertext& e_reg, const Ciphertext& e_iss, const IssuerReencProof& p,
            const W& issuer, const W& chainid) {
  hash::Transcript t(hash::Tag::IssuerReenc);
  t.p(pk_iss).p(e_reg.R).p(e_reg.C).p(e_iss.R).p(e_iss.C).p(p.Q).p(p.U).p(p.T);
  t.p(p.A1).p(p.A2).p(p.A3).p(p.A4).p(p.A5).w(issuer).w(chainid);
  return t.e();
}

}  // namespace

Result<IssuerReencProof> issuer_reenc_prove(const IssuerReencWitness& w, const Ciphertext& e_reg,
                                            const Ciphertext& e_iss, const W& issuer, const W& chainid,
                                            const IssuerReencNonces& n) {
  VORN_TRY(const G1Affine h, pedersen_h());

  // Witness checks on secret-derived points: constant-time comparisons; only their
  // outcome, which the error reports, is made public.
  if (!ct::declassify(ct_equal(g1_mul_gen_ct(w.r_prime), G1::from_affine(e_iss.R)))) return IdError{kMsgReencR};
  const G1 m_iss = (-g1_mul_ct(e_reg.R, w.sk_iss)).add_affine(e_reg.C);
  const G1 r_pk_rec = g1_mul_ct(w.pk_rec, w.r_prime);
  if (!ct::declassify(ct_equal(m_iss + r_pk_rec, G1::from_affine(e_iss.C)))) return IdError{kMsgReencC};

  const G1 q = g1_mul_ct(h, w.beta).add_affine(w.pk_rec);
  const G1 u = g1_mul_ct(h, w.r_prime);
  const G1 t = r_pk_rec + g1_mul_ct(h, w.gamma);
  const G1 k_g_h = g1_mul_ct(h, n.k_g);
  auto a = to_affine_ct<9>({
      g1_mul_gen_ct(w.sk_iss),                              // pk_iss
      g1_mul_gen_ct(n.k_r),                                 // A1
      g1_mul_ct(h, n.k_r),                                  // A2
      g1_mul_ct(q, n.k_r) - g1_mul_ct(u, n.k_b) + k_g_h,    // A3
      g1_mul_gen_ct(n.k_s),                                 // A4
      g1_mul_ct(e_reg.R, n.k_s) + k_g_h,                    // A5
      q, u, t,
  });
  a = ct::declassify(a);  // pk_iss, the commitments and Q, U, T are published
  IssuerReencProof p{a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], W{}, W{}, W{}, W{}, W{}};
  p.e = challenge(a[0], e_reg, e_iss, p, issuer, chainid);
  const Fr e = fr(p.e);
  p.s_r = respond(n.k_r, e, w.r_prime);
  p.s_b = respond(n.k_b, e, w.beta);
  p.s_s = respond(n.k_s, e, w.sk_iss);
  p.s_g = respond(n.k_g, e, w.gamma);
  return p;
}

Result<bool> issuer_reenc_verify(const G1Affine& pk_iss, const Ciphertext& e_reg, const Ciphertext& e_iss,
                                 const IssuerReencProof& p, const W& issuer, const W& chainid) {
  VORN_TRY(const G1Affine h, pedersen_h());
  const G1Affine g = gen_g1();
  const Fr e = fr(p.e), s_r = fr(p.s_r), s_b = fr(p.s_b), s_s = fr(p.s_s), s_g = fr(p.s_g);
  if (!msm_equals_var({g, e_iss.R}, {s_r, -e}, p.A1)) return false;
  if (!msm_equals_var({h, p.U}, {s_r, -e}, p.A2)) return false;
  if (!msm_equals_var({p.Q, p.U, h, p.T}, {s_r, -s_b, s_g, -e}, p.A3)) return false;
  if (!msm_equals_var({g, pk_iss}, {s_s, -e}, p.A4)) return false;
  if (!msm_equals_var({e_reg.R, h, e_reg.C, p.T, e_iss.C}, {s_s, s_g, -e, -e, e}, p.A5)) return false;
  return challenge(pk_iss, e_reg, e_iss, p, issuer, chainid) == p.e;
}

}  // namespace vorn::crypto
