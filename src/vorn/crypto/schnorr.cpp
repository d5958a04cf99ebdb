#include "vorn/crypto/schnorr.h"

#include "vorn/core/ct.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/transcript.h"

namespace vorn::crypto {

namespace {

W issuer_challenge(const G1Affine& pk, const G1Affine& r, const W& h_batch, const W& issuer, const W& chainid) {
  hash::Transcript t(hash::Tag::IssuerSchnorr);
  t.p(pk).p(r).w(h_batch).w(issuer).w(chainid);
  return t.e();
}

W registry_challenge(const G1Affine& pk, const G1Affine& r, const W& msg_hash, std::span<const uint8_t> registry_id,
                     const W& chainid) {
  const G1Words pw = bn254::w_from_g1(pk), rw = bn254::w_from_g1(r);
  const W words[7] = {pw[0],
                      pw[1],
                      rw[0],
                      rw[1],
                      bn254::reduce_mod_order(msg_hash),
                      bn254::scalar_from_be_bytes_mod_order(registry_id.data(), registry_id.size()),
                      chainid};
  return hash::keccak_scalar(words);
}

// PK = sk*G and R = k*G, normalised together; both are public (the key, and the
// commitment published in the signature).
std::array<G1Affine, 2> key_and_commitment(const Fr& sk, const Fr& k) {
  return ct::declassify(to_affine_ct<2>({bn254::g1_mul_gen_ct(sk), bn254::g1_mul_gen_ct(k)}));
}

// s*G == R + e*PK, as the single sum s*G - e*PK compared with R.
bool schnorr_equation_var(const G1Affine& pk, const SchnorrSig& sig) {
  return msm_equals_var({gen_g1(), pk}, {fr(sig.s), -fr(sig.e)}, sig.R);
}

}  // namespace

SchnorrSig issuer_schnorr_sign(const Fr& sk_iss, const W& h_batch, const W& issuer, const W& chainid,
                               const Fr& k) {
  const auto [pk, r] = key_and_commitment(sk_iss, k);
  const W e = issuer_challenge(pk, r, h_batch, issuer, chainid);
  return {r, e, respond(k, fr(e), sk_iss)};
}

bool issuer_schnorr_verify(const G1Affine& pk_iss, const SchnorrSig& sig, const W& h_batch, const W& issuer,
                           const W& chainid) {
  if (!schnorr_equation_var(pk_iss, sig)) return false;
  return issuer_challenge(pk_iss, sig.R, h_batch, issuer, chainid) == sig.e;
}

SchnorrSig registry_schnorr_sign(const Fr& sk, const W& msg_hash, std::span<const uint8_t> registry_id,
                                 const W& chainid, const Fr& k) {
  const auto [pk, r] = key_and_commitment(sk, k);
  const W e = registry_challenge(pk, r, msg_hash, registry_id, chainid);
  return {r, e, respond(k, fr(e), sk)};
}

bool registry_schnorr_verify(const G1Affine& pk, const SchnorrSig& sig, const W& msg_hash,
                             std::span<const uint8_t> registry_id, const W& chainid) {
  if (!schnorr_equation_var(pk, sig)) return false;
  return registry_challenge(pk, sig.R, msg_hash, registry_id, chainid) == sig.e;
}

}  // namespace vorn::crypto
