// Flows around notes addressed to a mailbox, one set per A-flavor of note.
//
//  - mint: the minter encrypts the note value (as v*G) and an identity point to the
//    recipient's receiving key pk_recv, hashes the identity into the note and
//    commits to it. A1 carries the recipient's identity M_rec ("eRec"); A2 the
//    issuer's own identity M_I ("eIss"), decrypted from the issuer's registered
//    ciphertext and re-encrypted with a binding proof.
//  - recipient receipt: the recipient proves, under its receiving secret k_recv,
//    what the identity ciphertext decrypts to, and notes which identities the
//    registry tree holds.
//  - verification: anyone checks such a receipt against the registry tree's root.
//
// Every entry point takes one JSON text of named arguments (keys read in the order
// each comment lists; the first failure is reported with the reading messages of
// args.h and records.h, a missing key or object being "receipt: missing field") and
// returns a compact JSON object with sorted keys. "chainid" is a hex word here.
// Words are written "0x" + 64 hex digits: scalars reduced modulo r, points and
// ciphertexts as their coordinate words. Nothing random is drawn: every randomness
// and nonce comes from the arguments, so equal arguments give equal text. Secrets
// (values, randomness, keys, nonces) are multiplied only with constant-time code;
// the verifiers work on public data and may be variable time.
#pragma once

#include <string>
#include <string_view>

#include "vorn/core/result.h"

namespace vorn::wallet {

inline constexpr std::string_view kVdInvalid = "verifiable decryption invalid";
inline constexpr std::string_view kRecipientNotRegistered = "recipient M not a registered identity";
inline constexpr std::string_view kIssuerNotRegistered = "issuer M not a registered identity";
inline constexpr std::string_view kBindingInvalid = "issuer binding invalid";
inline constexpr std::string_view kBindingIdentityNotDecrypted = "the binding's Identity is not the one decrypted";
/// A receiving key k_recv of zero mod r has the public key k_recv*G = infinity, and a
/// verifiable decryption under that key needs no secret at all (C itself is the
/// "decrypted" point): a recipient receipt made with it would prove nothing. The
/// makers refuse such a key; the verifiers answer valid false for an infinite pk_recv.
inline constexpr std::string_view kZeroReceivingKey = "args: k_recv must be nonzero mod ORDER";
inline constexpr std::string_view kReceivingKeyInfinite = "pk_recv is the point at infinity";
/// A zero randomness publishes the plaintext (the ciphertext's C is then the value
/// point or the identity itself), and two ciphertexts sharing a randomness to one
/// key let anyone subtract them: C_note - C_id = v*G - M, so a guessed identity
/// gives the value away. Both are refused before anything is encrypted.
inline constexpr std::string_view kUnsafeMintRandomness =
    "mint: r_note and r_prime must be nonzero and distinct mod ORDER";

/// "nonces" (object), "M_rec", "pk_recv" (hex points), "v", "rho", "m_issuer",
/// "predicate" (hex words), then from "nonces" "r_prime", "r_note" -> {"eNote",
/// "eRec", "idHash", "cm", "opening", "r_prime", "r_note"} with
///   eNote = ElGamal(v*G, pk_recv, r_note), eRec = ElGamal(M_rec, pk_recv, r'),
///   r' = r_prime mod r, idHash = id_hash_a1(eNote, m_issuer),
///   cm = note_commitment(1, v, rho, idHash, predicate),
/// "opening" as opening_json writes it (flavor 1, the words as given). Errors after
/// reading: the point messages for M_rec, then pk_recv; kUnsafeMintRandomness;
/// "scalars must lie in [1, ORDER)" (m_issuer); the commitment's range messages
/// (v below 2^128, rho in [1, r), predicate below r).
Result<std::string> mint_unilateral_a1(std::string_view args_json);

/// "nonces", "sk_iss" (hex), "E_reg" (hex ciphertext: the issuer's registered
/// identity under its own key), "pk_recv" (hex point), "v", "rho", "issuer",
/// "chainid", "predicate" (hex words), then from "nonces" "r_prime", "r_note",
/// "beta", "gamma", "k_r", "k_b", "k_s", "k_g" -> {"eNote", "eIss", "M_I", "idHash",
/// "cm", "opening", "binding", "r_prime", "r_note", "gamma"} with
///   M_I = ElGamal decryption of E_reg under sk_iss, eIss = ElGamal(M_I, pk_recv, r'),
///   "binding" = the issuer re-encryption proof over (E_reg, eIss) bound to
///   (issuer, chainid), whose T gives idHash = id_hash_a2(eNote, eIss, T),
///   cm = note_commitment(2, ...).
/// Errors after reading: the point messages (E_reg.R, E_reg.C, pk_recv);
/// kUnsafeMintRandomness; "args: proof nonces must be nonzero and pairwise distinct
/// mod ORDER" for k_r, k_b, k_s, k_g (a zero or repeated nonce would give the
/// issuer key away to anyone holding the delivered r' and gamma); the commitment's
/// range messages.
Result<std::string> mint_unilateral_a2(std::string_view args_json);

/// "minted" {"eNote", "eRec", "idHash", "cm", "opening"}, "tree" (identity tree
/// record), "k_recv" (hex), "M_rec", "M_iss" (hex points), "issuer", "chainid",
/// "t_vd" (hex words) -> the A1 recipient receipt {"M_iss", "M_rec", "pk_recv",
/// "value", "eRec", "vd", "issuer", "chainid", "M_iss_member", "M_rec_member"}:
/// pk_recv = k_recv*G, value = the opening's v, vd = the verifiable-decryption
/// proof that eRec decrypts under k_recv to M_rec, bound to the account word
/// "issuer" and to "chainid" (both reduced mod r, as written, so the receipt
/// verifies against its own fields), with nonce t_vd; the two booleans say
/// whether the tree holds each identity's leaf. Errors after reading: "args: proof
/// nonces must be nonzero and pairwise distinct mod ORDER" when t_vd is 0 mod r
/// (the proof would publish k_recv); the point messages (eRec.R, eRec.C, M_rec).
Result<std::string> make_receipt_a1(std::string_view args_json);

/// "minted" {"opening", "eNote", "eIss", "M_I", "idHash", "cm", "binding",
/// "gamma"}, "tree", "k_recv", "M_rec", "issuer", "chainid", "t_vd" -> the A2
/// recipient receipt {"M_I", "M_rec", "pk_recv", "value", "eIss", "vd", "binding",
/// "gamma", "issuer", "chainid", "M_I_member", "M_rec_member"}: M_I is eIss
/// decrypted under k_recv and the proof names it; "binding" and "gamma" are copied
/// from the minted record as they stand. Errors as make_receipt_a1 (the points
/// eIss.R, eIss.C).
Result<std::string> make_receipt_a2(std::string_view args_json);

/// "receipt" (A1 recipient receipt: "M_iss", "M_rec", "pk_recv", "value", "eRec",
/// "vd", "issuer", "chainid"), "tree", "identity_root" (hex word) -> {"valid",
/// "reason", "issuer_M", "recipient_M", "value"}. Checks in order, the first
/// failing one giving valid false and its reason: the proof verifies over eRec,
/// pk_recv, M_rec, issuer, chainid ("verifiable decryption invalid"); M_rec's
/// identity leaf is in the tree and the tree's root is identity_root ("recipient M
/// not a registered identity"); the same for M_iss ("issuer M not a registered
/// identity"). Otherwise valid, reason "VALID", issuer_M = M_iss, recipient_M =
/// M_rec. The points are null unless valid; "value" is always the receipt's value.
/// Errors: the reading errors and the point messages of the proof's decoding.
Result<std::string> verify_receipt_a1(std::string_view args_json);

/// "receipt" (A2: "M_I", "M_rec", "pk_recv", "value", "eIss", "vd", "binding",
/// "gamma", "issuer", "chainid"), "tree", "pk_iss" (hex point), "E_reg" (hex
/// ciphertext), "identity_root" -> the result of verify_receipt_a1 with issuer_M =
/// M_I. Checks in order: the binding verifies for pk_iss, E_reg, eIss, issuer,
/// chainid ("issuer binding invalid"); the proof over eIss names M_I under pk_recv
/// ("verifiable decryption invalid"); eIss.C - T + gamma*H, the identity the
/// binding carries, is M_I ("the binding's Identity is not the one decrypted");
/// membership of M_rec, then of M_I (the messages of verify_receipt_a1).
Result<std::string> verify_receipt_a2(std::string_view args_json);

}  // namespace vorn::wallet
