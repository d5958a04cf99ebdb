// Note delivery: receiving keys, payload wrapping, delivery records of flavors A1
// and A2, their opening by the recipient, and the proof that a receiving key is
// registered in the registry's mailbox tree.
//
// A delivery carries a note's ciphertexts in the clear and its secret fields
// wrapped: each added modulo r to a mask that only the recipient can recompute. The
// mask of a label is Keccak-256("VeltriaVorn/Notes/PayloadWrap/v2" || "/" || label ||
// "/" || S.x || S.y) mod r, where S is the Diffie-Hellman point r_note*pk_recv =
// k*eNote.R shared by the sender (note randomness r_note) and the recipient
// (receiving secret k).
//
// The JSON entry points take one text of named arguments, read the keys in the
// order their comments list (the first failure is reported, with the messages of
// args.h and records.h for reading errors) and return a compact JSON object
// with sorted keys, except wrap_mask (a hex word) and verify_receiving_binding (a
// boolean). Secrets (k, r_note, unwrapped fields, masks) are only multiplied with
// constant-time code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "vorn/bn254/curve.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

inline constexpr std::string_view kSeedNotPositive = "seed must be a positive int";
inline constexpr std::string_view kRotationOverflow = "rotation overflow";
inline constexpr std::string_view kSharedPointIdentity =
    "delivery: the shared point is the identity (r_note is 0 mod ORDER or pk_recv is the identity), so the wrap "
    "would be public";
inline constexpr std::string_view kNotA1Delivery = "not an A1 delivery";
inline constexpr std::string_view kNotA2Delivery = "not an A2 delivery";
inline constexpr std::string_view kMissingWrappedField = "the delivery is missing a wrapped field";
inline constexpr std::string_view kRNoteNotRandomness = "the unwrapped r_note is not eNote's randomness";
inline constexpr std::string_view kFaceNotOpened =
    "k does not open eNote to the stated face: addressed to another mailbox, or corrupted";
inline constexpr std::string_view kRPrimeNotRandomness = "the unwrapped r' is not eIss's randomness";
inline constexpr std::string_view kTNotOpened = "T does not open to this mailbox under the unwrapped gamma";
inline constexpr std::string_view kNoRegisteredLeaf = "no registered leaf commits this (Identity, receiving key) pair";
inline constexpr std::string_view kAggregatorSlot = "the subtree's root is not at its aggregator slot";

/// A receiving secret and its public point k*G.
struct ReceivingKey {
  W k;
  notes::G1Words pk_recv;
};

/// k = Keccak-256("VeltriaVorn/Notes/ReceivingKey/v2" || seed mod r || counter as a
/// word) mod r, the counter starting at the low 64 bits of `rotation` and increased
/// while k is zero. Errors: "seed must be a positive int" for a zero seed (a seed of
/// r passes and reduces to 0); "rotation overflow" when the counter would pass
/// 2^64 - 1. k*G is constant time.
Result<ReceivingKey> derive_receiving_key(unsigned __int128 rotation, const W& seed);

/// The wrap mask of `label` under the shared point words `shared` (used as given,
/// infinity as (0, 0)): a scalar word in [0, r). Never fails; constant time in the
/// point.
W payload_mask(std::string_view label, const notes::G1Words& shared);

// ---- the secret steps on native values (the JSON entry points below are built on
// them). Each is constant time in its secrets; what leaves it is the value the
// protocol publishes (a wrapped field, a receiving key's public point) or the
// outcome of a check, which the entry point reports as an error.

/// S = r_note*pk_recv, the sender's shared point, after decoding pk_recv (point
/// messages). Fails with kSharedPointIdentity at infinity.
Result<notes::G1Words> sender_shared_point(const notes::G1Words& pk_recv, const W& r_note);

/// S = k*R, the recipient's shared point (R = eNote.R, decoded).
notes::G1Words recipient_shared_point(const bn254::G1Affine& r, const W& k);

/// (value mod r + mask(label, S)) mod r.
W wrap_field(std::string_view label, const notes::G1Words& shared, const W& value);

/// (wrapped - mask(label, S)) mod r.
W unwrap_field(std::string_view label, const notes::G1Words& shared, const W& wrapped);

/// The value check of an opening: eNote = (R, C) decrypts under k to v*G. Decodes C
/// (point messages); false when it does not.
Result<bool> opens_to_face(const bn254::G1Affine& r, const notes::G1Words& c, const W& k, const W& v);

/// The randomness check of an opening: r*G equals the given point words.
bool is_randomness_of(const W& r, const notes::G1Words& point);

/// The mailbox check of an A2 opening: k*R_iss + gamma*H equals T (R_iss = eIss.R,
/// decoded). Fails only with the generator's internal invariant.
Result<bool> t_opens_to_mailbox(const bn254::G1Affine& r_iss, const W& k, const W& gamma, const notes::G1Words& t);

// ---- JSON entry points

/// "rotation" (unsigned 128-bit), "seed" (hex word) -> {"k": hex scalar, "pk_recv":
/// hex point}.
Result<std::string> receiving_key(std::string_view args_json);

/// "label" (string), "shared" (hex point) -> the mask as a hex word (66 characters,
/// not a JSON string).
Result<std::string> wrap_mask(std::string_view args_json);

/// "eNote", "eRec" (hex ciphertexts); "v", "rho", "predicate", "r_note" (hex
/// words); "pk_recv" (hex point, decoded with the point messages) -> the A1
/// delivery record {"flavor": 1, "predicate", "eNote", "eRec", "rhoWrapped",
/// "vWrapped", "rNoteWrapped"}, all words in decimal form. A shared point at
/// infinity (r_note = 0 mod r, or pk_recv the identity) would make every mask
/// public; it fails with the kSharedPointIdentity message.
Result<std::string> deliver_a1(std::string_view args_json);

/// "eNote", "eIss" (hex ciphertexts); "T" (hex point); "v", "rho", "predicate",
/// "r_note", "r_prime", "salt_iss", "gamma" (hex words); "pk_recv" (hex point) ->
/// the A2 delivery record {"flavor": 2, "predicate", "eNote", "eIss", "T",
/// "rhoWrapped", "vWrapped", "rPrimeWrapped", "saltIssWrapped", "gammaWrapped"}.
/// r_note itself is not delivered. Same shared-point refusal as deliver_a1.
Result<std::string> deliver_a2(std::string_view args_json);

/// "delivery" (an A1 record), "k", "m_issuer" (hex words) -> {"opening", "eNote",
/// "eRec", "r_note"}. Checks, in order: flavor is the JSON integer 1 ("not an A1
/// delivery"); the ciphertexts in decimal form; eNote.R decodes; the wrapped fields
/// "rho", "v", "rNote" ("the delivery is missing a wrapped field"); r_note*G ==
/// eNote.R ("the unwrapped r_note is not eNote's randomness"); eNote decrypts under
/// k to v*G ("k does not open eNote to the stated face: ..."); id_hash_a1 (m_issuer
/// in [1, r)); "predicate" (decimal); the note commitment's checks.
Result<std::string> open_a1(std::string_view args_json);

/// "delivery" (an A2 record), "k" (hex word) -> {"opening", "eNote", "eIss", "M_I",
/// "r_prime", "salt_iss", "T", "gamma"}. Checks, in order: flavor 2 ("not an A2
/// delivery"); "eNote", "eIss", "T" in decimal form; the wrapped "rho", "v",
/// "rPrime", "saltIss", "gamma"; eNote decrypts under k to v*G; r'*G == eIss.R
/// ("the unwrapped r' is not eIss's randomness"); k*eIss.R + gamma*H == T ("T does
/// not open to this mailbox under the unwrapped gamma"); id_hash_a2; "predicate";
/// the note commitment's checks.
Result<std::string> open_a2(std::string_view args_json);

/// "M_rec", "pk_recv" (hex points); "salt" (hex word); "leaves", "depth" (an
/// identity tree); optional "aggregator" {"leaves", "depth", "slot"} -> {"pk_recv",
/// "salt", "path": {"leaf", "siblings", "indexBits", "root"}}, scalars in
/// scalar_hex form. The path is that of the first position holding
/// mailbox_leaf(M_rec, pk_recv, salt) ("no registered leaf commits this (Identity,
/// receiving key) pair"); with an aggregator, whose leaf at "slot" must be the
/// subtree's root ("the subtree's root is not at its aggregator slot"), the
/// aggregator's path is appended and its root reported.
Result<std::string> prove_receiving_binding(std::string_view args_json);

/// "M_rec" (hex point); "binding" {"pk_recv", "salt", "path" {"siblings",
/// "indexBits", "leaf"}}; "root" (hex word) -> whether the path's leaf is
/// mailbox_leaf(M_rec, pk_recv, salt) and folds to "root". Fails only for input that
/// cannot be read (or a salt outside [1, r)).
Result<bool> verify_receiving_binding(std::string_view args_json);

}  // namespace vorn::wallet
