#include "vorn/crypto/words.h"

namespace vorn::crypto::words {

using bn254::g1_from_w;
using bn254::g2_from_w;

namespace {

// Results are converted with no branch on the point: some come from secrets
// (decryptions, signatures handed to their holder) and are not public yet.
G1Words out_words(const G1Affine& p) { return w_from_g1_ct(p); }

G1Words lo(const CtWords& w) { return {w[0], w[1]}; }
G1Words hi(const CtWords& w) { return {w[2], w[3]}; }

G1Pair pair_words(const G1Affine& a, const G1Affine& b) { return {out_words(a), out_words(b)}; }

SchnorrSigW sig_words(const SchnorrSig& s) { return {out_words(s.R), s.e, s.s}; }

}  // namespace

Result<Ciphertext> ct_from_w(const CtWords& w) {
  VORN_TRY(const G1Affine r, g1_from_w(lo(w)));
  VORN_TRY(const G1Affine c, g1_from_w(hi(w)));
  return Ciphertext{r, c};
}

CtWords w_from_ct(const Ciphertext& ct) {
  const G1Words r = out_words(ct.R), c = out_words(ct.C);
  return {r[0], r[1], c[0], c[1]};
}

// ---- ElGamal and Pointcheval-Sanders ----

Result<CtWords> elgamal_encrypt(const G1Words& m_point, const G1Words& pk, const W& r) {
  VORN_TRY(const G1Affine m, g1_from_w(m_point));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  return w_from_ct(crypto::elgamal_encrypt(m, key, fr(r)));
}

Result<G1Words> elgamal_decrypt(const CtWords& e_ct, const W& sk) {
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  return out_words(crypto::elgamal_decrypt(ct, fr(sk)));
}

G1Pair ps_sign(const W& sk_x, const W& sk_y, const W& m, const W& t) {
  const PsSignature s = crypto::ps_sign(fr(sk_x), fr(sk_y), fr(m), fr(t));
  return pair_words(s.sigma_1, s.sigma_2);
}

Result<bool> ps_verify(const G2Words& pk_x, const G2Words& pk_y, const G1Words& sigma_1, const G1Words& sigma_2,
                       const W& m) {
  VORN_TRY(const G1Affine s1, g1_from_w(sigma_1));
  VORN_TRY(const G1Affine s2, g1_from_w(sigma_2));
  if (s1.infinity) return false;
  VORN_TRY(const G2Affine x, g2_from_w(pk_x));
  VORN_TRY(const G2Affine y, g2_from_w(pk_y));
  return crypto::ps_verify(x, y, {s1, s2}, fr(m));
}

Result<G1Pair> ps_rerandomize(const G1Words& sigma_1, const G1Words& sigma_2, const W& t) {
  VORN_TRY(const G1Affine s1, g1_from_w(sigma_1));
  VORN_TRY(const G1Affine s2, g1_from_w(sigma_2));
  const PsSignature s = crypto::ps_rerandomize({s1, s2}, fr(t));
  return pair_words(s.sigma_1, s.sigma_2);
}

Result<G1Pair> ps_present(const G1Words& sigma_1, const G1Words& sigma_2, const G1Words& y1, const W& a,
                          const W& b) {
  VORN_TRY(const G1Affine s1, g1_from_w(sigma_1));
  VORN_TRY(const G1Affine s2, g1_from_w(sigma_2));
  VORN_TRY(const G1Affine y, g1_from_w(y1));
  VORN_TRY(const PsPresentation p, crypto::ps_present({s1, s2}, y, fr(a), fr(b)));
  return pair_words(p.A, p.B);
}

Result<bool> ps_key_consistent(const G2Words& pk_y, const G1Words& y1) {
  VORN_TRY(const G1Affine y1p, g1_from_w(y1));
  if (y1p.infinity) return false;
  VORN_TRY(const G2Affine y, g2_from_w(pk_y));
  return crypto::ps_key_consistent(y, y1p);
}

// ---- Schnorr ----

SchnorrSigW issuer_schnorr_sign(const W& sk_iss, const W& h_batch, const W& issuer, const W& chainid, const W& k) {
  return sig_words(crypto::issuer_schnorr_sign(fr(sk_iss), h_batch, issuer, chainid, fr(k)));
}

Result<bool> issuer_schnorr_verify(const G1Words& pk_iss, const SchnorrSigW& sig, const W& h_batch, const W& issuer,
                                   const W& chainid) {
  VORN_TRY(const G1Affine pk, g1_from_w(pk_iss));
  VORN_TRY(const G1Affine r, g1_from_w(sig.R));
  return crypto::issuer_schnorr_verify(pk, {r, sig.e, sig.s}, h_batch, issuer, chainid);
}

SchnorrSigW registry_schnorr_sign(const W& sk, const W& msg_hash, std::span<const uint8_t> registry_id,
                                  const W& chainid, const W& k) {
  return sig_words(crypto::registry_schnorr_sign(fr(sk), msg_hash, registry_id, chainid, fr(k)));
}

Result<bool> registry_schnorr_verify(const G1Words& pk, const SchnorrSigW& sig, const W& msg_hash,
                                     std::span<const uint8_t> registry_id, const W& chainid) {
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const G1Affine r, g1_from_w(sig.R));
  return crypto::registry_schnorr_verify(key, {r, sig.e, sig.s}, msg_hash, registry_id, chainid);
}

// ---- registration ----

Result<RegistrationProofW> registration_prove(const G1Words& a, const G1Words& b, const W& blind, const W& m,
                                              const W& r, const G1Words& pk, const CtWords& e_ct,
                                              const W& registrant, const W& sk, const W& chainid,
                                              const W& registry, const W& m_tilde, const W& b_tilde,
                                              const W& r_tilde, const W& sk_tilde) {
  VORN_TRY(const G1Affine ap, g1_from_w(a));
  VORN_TRY(const G1Affine bp, g1_from_w(b));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  const RegistrationProof p =
      crypto::registration_prove(ap, bp, key, ct, {fr(blind), fr(m), fr(r), fr(sk)},
                                 {fr(m_tilde), fr(b_tilde), fr(r_tilde), fr(sk_tilde)}, registrant, chainid, registry);
  return RegistrationProofW{out_words(p.C1), out_words(p.T_C), out_words(p.T_R), out_words(p.T_key), p.e, p.s_m,
                            p.s_b, p.s_r, p.s_sk};
}

Result<bool> registration_verify(const G1Words& a, const G1Words& b, const CtWords& e_ct, const G1Words& pk,
                                 const G2Words& issuer_x, const G2Words& issuer_y, const RegistrationProofW& proof,
                                 const W& registrant, const W& chainid, const W& registry) {
  RegistrationProof p{{}, {}, {}, {}, proof.e, proof.s_m, proof.s_b, proof.s_r, proof.s_sk};
  // The range check comes before any decoding, so it wins over a malformed point.
  if (!registration_scalars_in_range(p)) return false;
  VORN_TRY(const G1Affine ap, g1_from_w(a));
  VORN_TRY(const G1Affine bp, g1_from_w(b));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_TRY(p.C1, g1_from_w(proof.C1));
  VORN_TRY(p.T_C, g1_from_w(proof.T_C));
  VORN_TRY(p.T_R, g1_from_w(proof.T_R));
  VORN_TRY(p.T_key, g1_from_w(proof.T_key));
  VORN_TRY(const G2Affine x, g2_from_w(issuer_x));
  VORN_TRY(const G2Affine y, g2_from_w(issuer_y));
  return crypto::registration_verify(ap, bp, ct, key, x, y, p, registrant, chainid, registry);
}

// ---- Chaum-Pedersen ----

Result<CpProofW> chaum_pedersen_prove(const CtWords& e_alice, const CtWords& e_bob, const G1Words& pk_alice,
                                      const G1Words& pk_bob, const W& sk_alice, const W& r_prime, const W& sender,
                                      const W& spender, const W& chainid, const W& registry, const W& k1,
                                      const W& k2) {
  VORN_TRY(const Ciphertext ea, ct_from_w(e_alice));
  VORN_TRY(const Ciphertext eb, ct_from_w(e_bob));
  VORN_TRY(const G1Affine pka, g1_from_w(pk_alice));
  VORN_TRY(const G1Affine pkb, g1_from_w(pk_bob));
  const CpProof p = crypto::chaum_pedersen_prove(ea, eb, pka, pkb, fr(sk_alice), fr(r_prime),
                                                 {sender, spender, chainid, registry}, fr(k1), fr(k2));
  return CpProofW{out_words(p.T1), out_words(p.T2), out_words(p.T3), p.e, p.s1, p.s2};
}

Result<bool> chaum_pedersen_verify(const CtWords& e_alice, const CtWords& e_bob, const G1Words& pk_alice,
                                   const G1Words& pk_bob, const CpProofW& proof, const W& sender, const W& spender,
                                   const W& chainid, const W& registry) {
  CpProof p{{}, {}, {}, proof.e, proof.s1, proof.s2};
  // The range check comes before any decoding, so it wins over a malformed point.
  if (!cp_scalars_in_range(p)) return false;
  VORN_TRY(const Ciphertext ea, ct_from_w(e_alice));
  VORN_TRY(const Ciphertext eb, ct_from_w(e_bob));
  VORN_TRY(const G1Affine pka, g1_from_w(pk_alice));
  VORN_TRY(const G1Affine pkb, g1_from_w(pk_bob));
  VORN_TRY(p.T1, g1_from_w(proof.T1));
  VORN_TRY(p.T2, g1_from_w(proof.T2));
  VORN_TRY(p.T3, g1_from_w(proof.T3));
  return crypto::chaum_pedersen_verify(ea, eb, pka, pkb, p, {sender, spender, chainid, registry});
}

// ---- verifiable decryption and identity opening ----

namespace {

Result<VdProofW> dleq_prove_w(const CtWords& e_ct, const W& sk, const G1Words& m_point, const VdContext& ctx,
                              const W& t) {
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_TRY(const G1Affine m, g1_from_w(m_point));
  const VdProof p = dleq_prove(ct, fr(sk), m, ctx, fr(t));
  return VdProofW{out_words(p.T1), out_words(p.T2), p.e, p.s};
}

Result<bool> dleq_verify_w(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point, const VdProofW& proof,
                           const VdContext& ctx) {
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const G1Affine m, g1_from_w(m_point));
  VORN_TRY(const G1Affine t1, g1_from_w(proof.T1));
  VORN_TRY(const G1Affine t2, g1_from_w(proof.T2));
  return dleq_verify(ct, key, m, {t1, t2, proof.e, proof.s}, ctx);
}

}  // namespace

Result<VdProofW> verifiable_decrypt_prove(const CtWords& e_ct, const W& sk, const G1Words& m_point,
                                          const W& account, const W& chainid, const W& t) {
  return dleq_prove_w(e_ct, sk, m_point, VdContext::receipt(account, chainid), t);
}

Result<bool> verifiable_decrypt_verify(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point,
                                       const VdProofW& proof, const W& account, const W& chainid) {
  return dleq_verify_w(e_ct, pk, m_point, proof, VdContext::receipt(account, chainid));
}

Result<VdProofW> identity_opening_prove(const CtWords& e_ct, const W& sk, const G1Words& m_point, const W& account,
                                        const W& chainid, const W& registry, const W& t) {
  return dleq_prove_w(e_ct, sk, m_point, VdContext::opening(account, chainid, registry), t);
}

Result<bool> identity_opening_verify(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point,
                                     const VdProofW& proof, const W& account, const W& chainid, const W& registry) {
  return dleq_verify_w(e_ct, pk, m_point, proof, VdContext::opening(account, chainid, registry));
}

// ---- issuer re-encryption ----

Result<IssuerReencProofW> issuer_reenc_prove(const W& sk_iss, const W& r_prime, const G1Words& pk_rec,
                                             const CtWords& e_reg, const CtWords& e_iss, const W& issuer,
                                             const W& chainid, const W& beta, const W& gamma, const W& k_r,
                                             const W& k_b, const W& k_s, const W& k_g) {
  VORN_TRY(const G1Affine rec, g1_from_w(pk_rec));
  VORN_TRY(const Ciphertext reg, ct_from_w(e_reg));
  VORN_TRY(const Ciphertext iss, ct_from_w(e_iss));
  const IssuerReencWitness wit{fr(sk_iss), fr(r_prime), rec, fr(beta), fr(gamma)};
  const IssuerReencNonces nonces{fr(k_r), fr(k_b), fr(k_s), fr(k_g)};
  VORN_TRY(const IssuerReencProof p, crypto::issuer_reenc_prove(wit, reg, iss, issuer, chainid, nonces));
  return IssuerReencProofW{out_words(p.A1), out_words(p.A2), out_words(p.A3), out_words(p.A4), out_words(p.A5),
                           out_words(p.Q),  out_words(p.U),  out_words(p.T),  p.e,
                           p.s_r,           p.s_b,           p.s_s,           p.s_g};
}

Result<bool> issuer_reenc_verify(const G1Words& pk_iss, const CtWords& e_reg, const CtWords& e_iss,
                                 const IssuerReencProofW& proof, const W& issuer, const W& chainid) {
  VORN_TRY(const G1Affine key, g1_from_w(pk_iss));
  VORN_TRY(const Ciphertext reg, ct_from_w(e_reg));
  VORN_TRY(const Ciphertext iss, ct_from_w(e_iss));
  IssuerReencProof p{{}, {}, {}, {}, {}, {}, {}, {}, proof.e, proof.s_r, proof.s_b, proof.s_s, proof.s_g};
  VORN_TRY(p.Q, g1_from_w(proof.Q));
  VORN_TRY(p.U, g1_from_w(proof.U));
  VORN_TRY(p.T, g1_from_w(proof.T));
  VORN_TRY(p.A1, g1_from_w(proof.A1));
  VORN_TRY(p.A2, g1_from_w(proof.A2));
  VORN_TRY(p.A3, g1_from_w(proof.A3));
  VORN_TRY(p.A4, g1_from_w(proof.A4));
  VORN_TRY(p.A5, g1_from_w(proof.A5));
  return crypto::issuer_reenc_verify(key, reg, iss, p, issuer, chainid);
}

// ---- depositor binding ----

Result<B1BindingW> b1_bind_prove(const W& m_dep, const W& sk_dep, const CtWords& e_dep, const G1Words& pk_iss,
                                 const W& account, const W& chainid, const W& r, const W& b, const W& k_m,
                                 const W& k_s, const W& k_r, const W& k_b) {
  VORN_TRY(const Ciphertext dep, ct_from_w(e_dep));
  VORN_TRY(const G1Affine iss, g1_from_w(pk_iss));
  const B1BindWitness wit{fr(m_dep), fr(sk_dep), fr(r), fr(b)};
  const B1BindNonces nonces{fr(k_m), fr(k_s), fr(k_r), fr(k_b)};
  VORN_TRY(const B1Binding out, crypto::b1_bind_prove(wit, dep, iss, account, chainid, nonces));
  const B1BindProof& p = out.proof;
  return B1BindingW{{out_words(p.D1), out_words(p.D2), out_words(p.D3), out_words(p.D4), out_words(p.D5),
                     out_words(p.Cm), p.e, p.s_m, p.s_s, p.s_r, p.s_b},
                    w_from_ct(out.e_dep_for_iss)};
}

Result<bool> b1_bind_verify(const G1Words& pk_dep, const CtWords& e_dep, const G1Words& pk_iss,
                            const CtWords& e_dep_for_iss, const B1BindProofW& proof, const W& account,
                            const W& chainid) {
  VORN_TRY(const G1Affine dep_key, g1_from_w(pk_dep));
  VORN_TRY(const Ciphertext dep, ct_from_w(e_dep));
  VORN_TRY(const G1Affine iss_key, g1_from_w(pk_iss));
  VORN_TRY(const Ciphertext e_e, ct_from_w(e_dep_for_iss));
  B1BindProof p{{}, {}, {}, {}, {}, {}, proof.e, proof.s_m, proof.s_s, proof.s_r, proof.s_b};
  VORN_TRY(p.D1, g1_from_w(proof.D1));
  VORN_TRY(p.D2, g1_from_w(proof.D2));
  VORN_TRY(p.D3, g1_from_w(proof.D3));
  VORN_TRY(p.D4, g1_from_w(proof.D4));
  VORN_TRY(p.D5, g1_from_w(proof.D5));
  VORN_TRY(p.Cm, g1_from_w(proof.Cm));
  return crypto::b1_bind_verify(dep_key, dep, iss_key, e_e, p, account, chainid);
}

}  // namespace vorn::crypto::words
