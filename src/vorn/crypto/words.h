// Word-level forms of the signatures, the encryption and the sigma proofs.
//
// Each function takes the words its caller holds (points as G1Words / G2Words,
// ciphertexts as four words R.x, R.y, C.x, C.y, scalars and binding words as W),
// decodes the points in the order the protocol fixes, reduces the scalars mod r, and
// calls the internal form on decoded values (vorn/crypto/*.h). Decoding failures
// carry the messages of vorn/bn254/encoding.h ("coordinate not a canonical Fq
// element", "G1 point not on curve", "G2 point not on curve", "G2 point not in the
// prime-order subgroup"); the first point that fails decides. Verifiers answer false
// for a proof that does not verify and fail only for points that cannot be decoded
// (and, for the proofs that use H, the generator's internal invariant). Results are
// canonical words.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "vorn/crypto/b1_binding.h"
#include "vorn/crypto/chaum_pedersen.h"
#include "vorn/crypto/elgamal.h"
#include "vorn/crypto/issuer_reenc.h"
#include "vorn/crypto/record.h"
#include "vorn/crypto/registration.h"
#include "vorn/crypto/schnorr.h"
#include "vorn/crypto/verifiable_decrypt.h"

namespace vorn::crypto::words {

/// An ElGamal ciphertext (R, C) as point words; read in the order R.x, R.y, C.x, C.y
/// (the order it is hashed and serialized in). The one ciphertext carrier of every
/// layer above this one.
struct CtWords {
  G1Words r, c;
  constexpr bool operator==(const CtWords&) const = default;
  /// The ciphertext of the 128 bytes R.x || R.y || C.x || C.y.
  static CtWords from_bytes(const uint8_t* p128) {
    return {{W::from_bytes(p128), W::from_bytes(p128 + 32)}, {W::from_bytes(p128 + 64), W::from_bytes(p128 + 96)}};
  }
};
/// Two G1 points (a PS signature or presentation), first then second.
using G1Pair = std::array<G1Words, 2>;

/// Decodes R, then C.
Result<Ciphertext> ct_from_w(const CtWords& w);
/// The words of a ciphertext (infinity as zero words).
CtWords w_from_ct(const Ciphertext& ct);

// ---- records as words ----
//
// Members in the same order as the decoded records; each record's table (record.h)
// lists its fields in protocol order, scalars first, and every conversion of the
// record follows it.

struct SchnorrSigW {
  G1Words R;
  W e, s;
};
template <>
struct RecordTraits<SchnorrSigW> {
  using R = SchnorrSigW;
  using Decoded = SchnorrSig;
  static constexpr auto fields = std::tuple{field("e", &R::e, &Decoded::e), field("s", &R::s, &Decoded::s),
                                            field("R", &R::R, &Decoded::R)};
};

struct RegistrationProofW {
  G1Words C1, T_C, T_R, T_key;
  W e, s_m, s_b, s_r, s_sk;
};
template <>
struct RecordTraits<RegistrationProofW> {
  using R = RegistrationProofW;
  using Decoded = RegistrationProof;
  static constexpr auto fields =
      std::tuple{field("e", &R::e, &Decoded::e),       field("s_m", &R::s_m, &Decoded::s_m),
                 field("s_b", &R::s_b, &Decoded::s_b), field("s_r", &R::s_r, &Decoded::s_r),
                 field("s_sk", &R::s_sk, &Decoded::s_sk), field("C1", &R::C1, &Decoded::C1),
                 field("T_C", &R::T_C, &Decoded::T_C), field("T_R", &R::T_R, &Decoded::T_R),
                 field("T_key", &R::T_key, &Decoded::T_key)};
};

struct CpProofW {
  G1Words T1, T2, T3;
  W e, s1, s2;
};
template <>
struct RecordTraits<CpProofW> {
  using R = CpProofW;
  using Decoded = CpProof;
  static constexpr auto fields =
      std::tuple{field("e", &R::e, &Decoded::e),    field("s1", &R::s1, &Decoded::s1),
                 field("s2", &R::s2, &Decoded::s2), field("T1", &R::T1, &Decoded::T1),
                 field("T2", &R::T2, &Decoded::T2), field("T3", &R::T3, &Decoded::T3)};
};

struct VdProofW {
  G1Words T1, T2;
  W e, s;
};
template <>
struct RecordTraits<VdProofW> {
  using R = VdProofW;
  using Decoded = VdProof;
  static constexpr auto fields = std::tuple{field("e", &R::e, &Decoded::e), field("s", &R::s, &Decoded::s),
                                            field("T1", &R::T1, &Decoded::T1), field("T2", &R::T2, &Decoded::T2)};
};

struct IssuerReencProofW {
  G1Words A1, A2, A3, A4, A5, Q, U, T;
  W e, s_r, s_b, s_s, s_g;
};
template <>
struct RecordTraits<IssuerReencProofW> {
  using R = IssuerReencProofW;
  using Decoded = IssuerReencProof;
  static constexpr auto fields =
      std::tuple{field("e", &R::e, &Decoded::e),       field("s_r", &R::s_r, &Decoded::s_r),
                 field("s_b", &R::s_b, &Decoded::s_b), field("s_s", &R::s_s, &Decoded::s_s),
                 field("s_g", &R::s_g, &Decoded::s_g), field("A1", &R::A1, &Decoded::A1),
                 field("A2", &R::A2, &Decoded::A2),    field("A3", &R::A3, &Decoded::A3),
                 field("A4", &R::A4, &Decoded::A4),    field("A5", &R::A5, &Decoded::A5),
                 field("Q", &R::Q, &Decoded::Q),       field("U", &R::U, &Decoded::U),
                 field("T", &R::T, &Decoded::T)};
  // The Python tuple is ((the five scalars), (the eight points)).
  static constexpr std::array<size_t, 2> nested = {5, 8};
  // The verifier decodes Q, U and T before the commitments A1..A5.
  static constexpr std::array<std::string_view, 8> decoding = {"Q", "U", "T", "A1", "A2", "A3", "A4", "A5"};
};

struct B1BindProofW {
  G1Words D1, D2, D3, D4, D5, Cm;
  W e, s_m, s_s, s_r, s_b;
};
template <>
struct RecordTraits<B1BindProofW> {
  using R = B1BindProofW;
  using Decoded = B1BindProof;
  static constexpr auto fields =
      std::tuple{field("e", &R::e, &Decoded::e),       field("s_m", &R::s_m, &Decoded::s_m),
                 field("s_s", &R::s_s, &Decoded::s_s), field("s_r", &R::s_r, &Decoded::s_r),
                 field("s_b", &R::s_b, &Decoded::s_b), field("D1", &R::D1, &Decoded::D1),
                 field("D2", &R::D2, &Decoded::D2),    field("D3", &R::D3, &Decoded::D3),
                 field("D4", &R::D4, &Decoded::D4),    field("D5", &R::D5, &Decoded::D5),
                 field("Cm", &R::Cm, &Decoded::Cm)};
};

struct B1BindingW {
  B1BindProofW proof;
  CtWords e_dep_for_iss;
};
template <>
struct RecordTraits<B1BindingW> {
  using R = B1BindingW;
  using Decoded = B1Binding;
  static constexpr auto fields = std::tuple{field("proof", &R::proof, &Decoded::proof),
                                            field("e_dep_for_iss", &R::e_dep_for_iss, &Decoded::e_dep_for_iss)};
};

// ---- ElGamal and Pointcheval-Sanders ----

/// Decodes M, then pk; (r*G, M + r*pk) with r reduced mod r.
Result<CtWords> elgamal_encrypt(const G1Words& m_point, const G1Words& pk, const W& r);
/// Decodes R, then C; C - sk*R with sk reduced.
Result<G1Words> elgamal_decrypt(const CtWords& e_ct, const W& sk);
/// The PS signature (t*G, (x + y*m)*t*G), all four reduced. Cannot fail.
G1Pair ps_sign(const W& sk_x, const W& sk_y, const W& m, const W& t);
/// Decodes sigma_1, then sigma_2; false at once when sigma_1 is the identity (X and Y
/// are then not decoded); then decodes X, then Y, and checks the pairing equation.
Result<bool> ps_verify(const G2Words& pk_x, const G2Words& pk_y, const G1Words& sigma_1, const G1Words& sigma_2,
                       const W& m);
/// Decodes sigma_1, then sigma_2; (t*sigma_1, t*sigma_2).
Result<G1Pair> ps_rerandomize(const G1Words& sigma_1, const G1Words& sigma_2, const W& t);
/// Decodes sigma_1, sigma_2, Y1; then "presentation scalars a, b must be nonzero"
/// when a or b is a multiple of r; (a*sigma_1, a*sigma_2 + b*Y1).
Result<G1Pair> ps_present(const G1Words& sigma_1, const G1Words& sigma_2, const G1Words& y1, const W& a,
                          const W& b);
/// Decodes Y1; false when it is the identity (Y is then not decoded); decodes Y and
/// checks e(Y1, g2) == e(G, Y).
Result<bool> ps_key_consistent(const G2Words& pk_y, const G1Words& y1);

// ---- Schnorr ----

/// Issuer signature (cannot fail).
SchnorrSigW issuer_schnorr_sign(const W& sk_iss, const W& h_batch, const W& issuer, const W& chainid, const W& k);
/// Decodes PK, then R; then the internal verifier (e compared word for word).
Result<bool> issuer_schnorr_verify(const G1Words& pk_iss, const SchnorrSigW& sig, const W& h_batch, const W& issuer,
                                   const W& chainid);
/// Registry signature on a 32-byte hash held as a word (cannot fail).
SchnorrSigW registry_schnorr_sign(const W& sk, const W& msg_hash, std::span<const uint8_t> registry_id,
                                  const W& chainid, const W& k);
/// Decodes PK, then R; then the internal verifier.
Result<bool> registry_schnorr_verify(const G1Words& pk, const SchnorrSigW& sig, const W& msg_hash,
                                     std::span<const uint8_t> registry_id, const W& chainid);

// ---- the five proofs ----

/// Decodes A, B, pk, R, C; then proves (witness and nonces reduced mod r).
Result<RegistrationProofW> registration_prove(const G1Words& a, const G1Words& b, const W& blind, const W& m,
                                              const W& r, const G1Words& pk, const CtWords& e_ct,
                                              const W& registrant, const W& sk, const W& chainid,
                                              const W& registry, const W& m_tilde, const W& b_tilde,
                                              const W& r_tilde, const W& sk_tilde);
/// False when a proof scalar is r or more, before any point is decoded; then decodes
/// A, B, pk, R, C, C1, T_C, T_R, T_key, X, Y and runs the internal verifier.
Result<bool> registration_verify(const G1Words& a, const G1Words& b, const CtWords& e_ct, const G1Words& pk,
                                 const G2Words& issuer_x, const G2Words& issuer_y, const RegistrationProofW& proof,
                                 const W& registrant, const W& chainid, const W& registry);

/// Decodes R_a, C_a, R_b, C_b, pk_alice, pk_bob; then proves.
Result<CpProofW> chaum_pedersen_prove(const CtWords& e_alice, const CtWords& e_bob, const G1Words& pk_alice,
                                      const G1Words& pk_bob, const W& sk_alice, const W& r_prime, const W& sender,
                                      const W& spender, const W& chainid, const W& registry, const W& k1,
                                      const W& k2);
/// False when e, s1 or s2 is r or more, before any point is decoded; then decodes
/// R_a, C_a, R_b, C_b, pk_alice, pk_bob, T1, T2, T3 and runs the internal verifier.
Result<bool> chaum_pedersen_verify(const CtWords& e_alice, const CtWords& e_bob, const G1Words& pk_alice,
                                   const G1Words& pk_bob, const CpProofW& proof, const W& sender, const W& spender,
                                   const W& chainid, const W& registry);

/// Decodes R, C, M; then proves under the receipt transcript.
Result<VdProofW> verifiable_decrypt_prove(const CtWords& e_ct, const W& sk, const G1Words& m_point,
                                          const W& account, const W& chainid, const W& t);
/// Decodes R, C, pk, M, T1, T2; then verifies under the receipt transcript.
Result<bool> verifiable_decrypt_verify(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point,
                                       const VdProofW& proof, const W& account, const W& chainid);
/// Decodes R, C, M; then proves under the identity-opening transcript.
Result<VdProofW> identity_opening_prove(const CtWords& e_ct, const W& sk, const G1Words& m_point, const W& account,
                                        const W& chainid, const W& registry, const W& t);
/// Decodes R, C, pk, M, T1, T2; then verifies under the identity-opening transcript.
Result<bool> identity_opening_verify(const CtWords& e_ct, const G1Words& pk, const G1Words& m_point,
                                     const VdProofW& proof, const W& account, const W& chainid, const W& registry);

/// Decodes pk_rec, R_reg, C_reg, R_iss, C_iss; then the witness checks ("E_iss.R !=
/// r'*G", then "E_iss.C != M_iss + r'*pk_rec") and the proof.
Result<IssuerReencProofW> issuer_reenc_prove(const W& sk_iss, const W& r_prime, const G1Words& pk_rec,
                                             const CtWords& e_reg, const CtWords& e_iss, const W& issuer,
                                             const W& chainid, const W& beta, const W& gamma, const W& k_r,
                                             const W& k_b, const W& k_s, const W& k_g);
/// Decodes pk_iss, R_reg, C_reg, R_iss, C_iss, Q, U, T, A1..A5; then verifies.
Result<bool> issuer_reenc_verify(const G1Words& pk_iss, const CtWords& e_reg, const CtWords& e_iss,
                                 const IssuerReencProofW& proof, const W& issuer, const W& chainid);

/// Decodes R_dep, C_dep, then pk_iss; then the witness check ("E_dep does not decrypt
/// to m_dep*G under sk_dep") and the proof with e_dep_for_iss.
Result<B1BindingW> b1_bind_prove(const W& m_dep, const W& sk_dep, const CtWords& e_dep, const G1Words& pk_iss,
                                 const W& account, const W& chainid, const W& r, const W& b, const W& k_m,
                                 const W& k_s, const W& k_r, const W& k_b);
/// Decodes pk_dep, R_dep, C_dep, pk_iss, R_E, C_E, D1..D5, Cm; then verifies.
Result<bool> b1_bind_verify(const G1Words& pk_dep, const CtWords& e_dep, const G1Words& pk_iss,
                            const CtWords& e_dep_for_iss, const B1BindProofW& proof, const W& account,
                            const W& chainid);

}  // namespace vorn::crypto::words
