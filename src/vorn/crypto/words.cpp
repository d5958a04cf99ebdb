#include "vorn/crypto/words.h"

#include <string_view>
#include <type_traits>

namespace vorn::crypto::words {

using bn254::g1_from_w;
using bn254::g2_from_w;

namespace {

// Results are converted with no branch on the point: some come from secrets
// (decryptions, signatures handed to their holder) and are not public yet.
G1Words out_words(const G1Affine& p) { return w_from_g1_ct(p); }

G1Pair pair_words(const G1Affine& a, const G1Affine& b) { return {out_words(a), out_words(b)}; }

template <class F>
using field_type = typename std::decay_t<F>::Type;

// The word form of a decoded value of word type T (a scalar, a point, a ciphertext
// or a record, field by field).
template <class T, class D>
T to_words(const D& d) {
  if constexpr (Record<T>) {
    T out{};
    for_each_field<T>([&](const auto& f) { out.*f.word = to_words<field_type<decltype(f)>>(d.*f.decoded); });
    return out;
  } else if constexpr (std::is_same_v<T, W>) {
    return d;
  } else if constexpr (std::is_same_v<T, G1Words>) {
    return out_words(d);
  } else {
    static_assert(std::is_same_v<T, CtWords>);
    return w_from_ct(d);
  }
}

template <Record Rec>
using decoded_t = typename RecordTraits<Rec>::Decoded;

// The decoded record with the scalars copied as they are (verifiers compare them
// word for word) and the points not decoded yet.
template <Record Rec>
decoded_t<Rec> scalars_of(const Rec& r) {
  decoded_t<Rec> d{};
  for_each_field<Rec>([&](const auto& f) {
    if constexpr (std::is_same_v<field_type<decltype(f)>, W>) d.*f.decoded = r.*f.word;
  });
  return d;
}

template <class T>
concept HasDecodingOrder = requires { T::decoding; };

// Decodes the point named `key` (every point when `key` is empty) of `r` into `d`.
template <Record Rec>
Status decode_point(const Rec& r, decoded_t<Rec>& d, std::string_view key) {
  return each_field_until_error<Rec>([&](const auto& f) -> Status {
    if constexpr (std::is_same_v<field_type<decltype(f)>, G1Words>) {
      if (key.empty() || key == f.key) { VORN_TRY(d.*f.decoded, g1_from_w(r.*f.word)); }
    }
    return ok_status();
  });
}

// Decodes the points of `r` into `d`, in the record's decoding order; the first
// that fails decides.
template <Record Rec>
Status decode_points(const Rec& r, decoded_t<Rec>& d) {
  if constexpr (HasDecodingOrder<RecordTraits<Rec>>) {
    for (std::string_view key : RecordTraits<Rec>::decoding) VORN_CHECK(decode_point(r, d, key));
    return ok_status();
  } else {
    return decode_point(r, d, {});
  }
}

template <Record Rec>
Result<decoded_t<Rec>> decode_record(const Rec& r) {
  decoded_t<Rec> d = scalars_of(r);
  VORN_CHECK(decode_points(r, d));
  return d;
}

}  // namespace

Result<Ciphertext> ct_from_w(const CtWords& w) {
  VORN_TRY(const G1Affine r, g1_from_w(w.r));
  VORN_TRY(const G1Affine c, g1_from_w(w.c));
  return Ciphertext{r, c};
}

CtWords w_from_ct(const Ciphertext& ct) {
  return {out_words(ct.R), out_words(ct.C)};
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
  return to_words<SchnorrSigW>(crypto::issuer_schnorr_sign(fr(sk_iss), h_batch, issuer, chainid, fr(k)));
}

Result<bool> issuer_schnorr_verify(const G1Words& pk_iss, const SchnorrSigW& sig, const W& h_batch, const W& issuer,
                                   const W& chainid) {
  VORN_TRY(const G1Affine pk, g1_from_w(pk_iss));
  VORN_TRY(const SchnorrSig s, decode_record(sig));
  return crypto::issuer_schnorr_verify(pk, s, h_batch, issuer, chainid);
}

SchnorrSigW registry_schnorr_sign(const W& sk, const W& msg_hash, std::span<const uint8_t> registry_id,
                                  const W& chainid, const W& k) {
  return to_words<SchnorrSigW>(crypto::registry_schnorr_sign(fr(sk), msg_hash, registry_id, chainid, fr(k)));
}

Result<bool> registry_schnorr_verify(const G1Words& pk, const SchnorrSigW& sig, const W& msg_hash,
                                     std::span<const uint8_t> registry_id, const W& chainid) {
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const SchnorrSig s, decode_record(sig));
  return crypto::registry_schnorr_verify(key, s, msg_hash, registry_id, chainid);
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
  return to_words<RegistrationProofW>(p);
}

Result<bool> registration_verify(const G1Words& a, const G1Words& b, const CtWords& e_ct, const G1Words& pk,
                                 const G2Words& issuer_x, const G2Words& issuer_y, const RegistrationProofW& proof,
                                 const W& registrant, const W& chainid, const W& registry) {
  RegistrationProof p = scalars_of(proof);
  // The range check comes before any decoding, so it wins over a malformed point.
  if (!registration_scalars_in_range(p)) return false;
  VORN_TRY(const G1Affine ap, g1_from_w(a));
  VORN_TRY(const G1Affine bp, g1_from_w(b));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_CHECK(decode_points(proof, p));
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
  return to_words<CpProofW>(p);
}

Result<bool> chaum_pedersen_verify(const CtWords& e_alice, const CtWords& e_bob, const G1Words& pk_alice,
                                   const G1Words& pk_bob, const CpProofW& proof, const W& sender, const W& spender,
                                   const W& chainid, const W& registry) {
  CpProof p = scalars_of(proof);
  // The range check comes before any decoding, so it wins over a malformed point.
  if (!cp_scalars_in_range(p)) return false;
  VORN_TRY(const Ciphertext ea, ct_from_w(e_alice));
  VORN_TRY(const Ciphertext eb, ct_from_w(e_bob));
  VORN_TRY(const G1Affine pka, g1_from_w(pk_alice));
  VORN_TRY(const G1Affine pkb, g1_from_w(pk_bob));
  VORN_CHECK(decode_points(proof, p));
  return crypto::chaum_pedersen_verify(ea, eb, pka, pkb, p, {sender, spender, chainid, registry});
}

// ---- verifiable decryption and identity opening ----

namespace {

Result<VdProofW> dleq_prove_w(const CtWords& e_ct, const W& sk, const G1Words& m_point, const VdContext& ctx,
                              const W& t) {
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_TRY(const G1Affine m, g1_from_w(m_point));
  const VdProof p = dleq_prove(ct, fr(sk), m, ctx, fr(t));
  return to_words<VdProofW>(p);
}

Result<bool> dleq_verify_w(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point, const VdProofW& proof,
                           const VdContext& ctx) {
  VORN_TRY(const Ciphertext ct, ct_from_w(e_ct));
  VORN_TRY(const G1Affine key, g1_from_w(pk));
  VORN_TRY(const G1Affine m, g1_from_w(m_point));
  VORN_TRY(const VdProof p, decode_record(proof));
  return dleq_verify(ct, key, m, p, ctx);
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
  return to_words<IssuerReencProofW>(p);
}

Result<bool> issuer_reenc_verify(const G1Words& pk_iss, const CtWords& e_reg, const CtWords& e_iss,
                                 const IssuerReencProofW& proof, const W& issuer, const W& chainid) {
  VORN_TRY(const G1Affine key, g1_from_w(pk_iss));
  VORN_TRY(const Ciphertext reg, ct_from_w(e_reg));
  VORN_TRY(const Ciphertext iss, ct_from_w(e_iss));
  VORN_TRY(const IssuerReencProof p, decode_record(proof));
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
  return to_words<B1BindingW>(out);
}

Result<bool> b1_bind_verify(const G1Words& pk_dep, const CtWords& e_dep, const G1Words& pk_iss,
                            const CtWords& e_dep_for_iss, const B1BindProofW& proof, const W& account,
                            const W& chainid) {
  VORN_TRY(const G1Affine dep_key, g1_from_w(pk_dep));
  VORN_TRY(const Ciphertext dep, ct_from_w(e_dep));
  VORN_TRY(const G1Affine iss_key, g1_from_w(pk_iss));
  VORN_TRY(const Ciphertext e_e, ct_from_w(e_dep_for_iss));
  VORN_TRY(const B1BindProof p, decode_record(proof));
  return crypto::b1_bind_verify(dep_key, dep, iss_key, e_e, p, account, chainid);
}

}  // namespace vorn::crypto::words
