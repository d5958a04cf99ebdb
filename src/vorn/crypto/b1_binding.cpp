#include "vorn/crypto/b1_binding.h"

#include "vorn/core/ct.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

using bn254::g1_mul_ct;
using bn254::g1_mul_gen_ct;

namespace {

W challenge(const G1Affine& pk_dep, const Ciphertext& e_dep, const G1Affine& pk_iss, const Ciphertext& e_e,
            const B1BindProof& p, const W& account, const W& chainid) {
  hash::Transcript t(hash::Tag::DepositorBinding);
  t.p(pk_dep).p(e_dep.R).p(e_dep.C).p(pk_iss).p(e_e.R).p(e_e.C);
  t.p(p.D1).p(p.D2).p(p.D3).p(p.D4).p(p.D5).p(p.Cm).w(account).w(chainid);
  return t.e();
}

}  // namespace

Result<B1Binding> b1_bind_prove(const B1BindWitness& w, const Ciphertext& e_dep, const G1Affine& pk_iss,
                                const W& account, const W& chainid, const B1BindNonces& n) {
  VORN_TRY(const G1Affine h, pedersen_h());

  const G1 m_dep = g1_mul_gen_ct(w.m_dep);
  // Witness check on secret-derived points: a constant-time comparison; only its
  // outcome, which the error reports, is made public.
  if (!ct::declassify(ct_equal(m_dep + g1_mul_ct(e_dep.R, w.sk_dep), G1::from_affine(e_dep.C))))
    return IdError{kMsgDepNotDecrypting};

  const G1 k_m_g = g1_mul_gen_ct(n.k_m);
  auto a = to_affine_ct<9>({
      g1_mul_gen_ct(w.sk_dep),                      // pk_dep
      g1_mul_gen_ct(w.r),                           // R_E
      m_dep + g1_mul_ct(pk_iss, w.r),               // C_E
      k_m_g + g1_mul_ct(e_dep.R, n.k_s),            // D1
      g1_mul_gen_ct(n.k_s),                         // D2
      g1_mul_gen_ct(n.k_r),                         // D3
      k_m_g + g1_mul_ct(pk_iss, n.k_r),             // D4
      k_m_g + g1_mul_ct(h, n.k_b),                  // D5
      m_dep + g1_mul_ct(h, w.b),                    // Cm
  });
  a = ct::declassify(a);  // pk_dep, e_dep_for_iss, the commitments and Cm are published
  B1Binding out{{a[3], a[4], a[5], a[6], a[7], a[8], W{}, W{}, W{}, W{}, W{}}, {a[1], a[2]}};
  B1BindProof& p = out.proof;
  p.e = challenge(a[0], e_dep, pk_iss, out.e_dep_for_iss, p, account, chainid);
  const Fr e = fr(p.e);
  p.s_m = respond(n.k_m, e, w.m_dep);
  p.s_s = respond(n.k_s, e, w.sk_dep);
  p.s_r = respond(n.k_r, e, w.r);
  p.s_b = respond(n.k_b, e, w.b);
  return out;
}

Result<bool> b1_bind_verify(const G1Affine& pk_dep, const Ciphertext& e_dep, const G1Affine& pk_iss,
                            const Ciphertext& e_e, const B1BindProof& p, const W& account, const W& chainid) {
  VORN_TRY(const G1Affine h, pedersen_h());
  const G1Affine g = gen_g1();
  const Fr e = fr(p.e), s_m = fr(p.s_m), s_s = fr(p.s_s), s_r = fr(p.s_r), s_b = fr(p.s_b);
  if (!msm_equals_var({g, pk_dep}, {s_s, -e}, p.D2)) return false;                      // key
  if (!msm_equals_var({g, e_dep.R, e_dep.C}, {s_m, s_s, -e}, p.D1)) return false;       // decryption
  if (!msm_equals_var({g, e_e.R}, {s_r, -e}, p.D3)) return false;                       // randomness
  if (!msm_equals_var({g, pk_iss, e_e.C}, {s_m, s_r, -e}, p.D4)) return false;          // re-encryption
  if (!msm_equals_var({g, h, p.Cm}, {s_m, s_b, -e}, p.D5)) return false;                // commitment
  return challenge(pk_dep, e_dep, pk_iss, e_e, p, account, chainid) == p.e;
}

}  // namespace vorn::crypto
