#include "vorn/crypto/verifiable_decrypt.h"

#include "vorn/core/ct.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

namespace {

W challenge(const Ciphertext& ct, const G1Affine& pk, const G1Affine& m, const G1Affine& t1, const G1Affine& t2,
            const VdContext& ctx) {
  const bool opening = ctx.kind == VdContext::Kind::IdentityOpening;
  hash::Transcript t(opening ? hash::TranscriptTag(hash::Tag::IdentityOpening)
                             : hash::TranscriptTag(hash::Tag::VerifiableDecrypt));
  t.p(ct.R).p(ct.C).p(pk).p(m).p(t1).p(t2).w(ctx.account).w(ctx.chainid);
  if (opening) t.w(ctx.registry);
  return t.e();
}

}  // namespace

VdProof dleq_prove(const Ciphertext& e_ct, const Fr& sk, const G1Affine& m_point, const VdContext& ctx,
                   const Fr& t) {
  auto p = to_affine_ct<3>({
      bn254::g1_mul_gen_ct(sk),      // pk
      bn254::g1_mul_gen_ct(t),       // T1
      bn254::g1_mul_ct(e_ct.R, t),   // T2
  });
  p = ct::declassify(p);  // pk and the commitments are public (the verifier receives them)
  const W e = challenge(e_ct, p[0], m_point, p[1], p[2], ctx);
  return {p[1], p[2], e, respond(t, fr(e), sk)};
}

bool dleq_verify(const Ciphertext& e_ct, const G1Affine& pk, const G1Affine& m_point, const VdProof& p,
                 const VdContext& ctx) {
  const Fr e = fr(p.e), s = fr(p.s);
  if (!msm_equals_var({gen_g1(), pk}, {s, -e}, p.T1)) return false;  // key
  // Decryption: s*R - e*C + e*M == T2.
  if (!msm_equals_var({e_ct.R, e_ct.C, m_point}, {s, -e, e}, p.T2)) return false;
  return challenge(e_ct, pk, m_point, p.T1, p.T2, ctx) == p.e;
}

}  // namespace vorn::crypto
