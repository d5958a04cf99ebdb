// Deposit-fold witnesses: the inputs of the circuits that fold a received note of
// flavor A1 or A2 into a deposit account.
//
// Each function reads the note, the receiving secret k, the deposit account's keys
// and ciphertexts and the Merkle paths, recomputes every relation the circuit
// enforces, refuses the witness with the relation's message at the first one that
// fails, and writes the witness as a compact JSON object whose field names and
// number encodings are the circuit's inputs:
//   decimal word   the word in decimal, not reduced;
//   decimal scalar the word reduced modulo r, in decimal;
//   limbs          four decimal strings, the word's 64-bit limbs, least significant
//                  first;
//   quadruple      R.x, R.y, C.x, C.y of a ciphertext, each a decimal scalar;
//   path           "...Elements": the siblings as decimal words; "...Indices": the
//                  strings "0" and "1".
// Arithmetic is modulo r on the reduced inputs: u = v + r_note*k, w = m_rec + t*k,
// cd = m_rec + sk_dep*r_E, rm = r'*k, tk = t*k. Every multiplication of a point by
// one of these secrets is constant time. A returned witness satisfies every
// relation; nothing partial is returned on failure.
//
// Reading errors are those of args.h and records.h; a missing "path" or
// "issPath" object is "receipt: missing field". A path whose siblings and index bits
// differ in length would give the circuit inputs of two different depths, so it is
// refused with kPathLengthMismatch when read.
#pragma once

#include <string>
#include <string_view>

#include "vorn/bn254/fields.h"
#include "vorn/core/result.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

inline constexpr std::string_view kPathLengthMismatch = "args: path.siblings and path.indexBits differ in length";

inline constexpr std::string_view kFoldIdHashA1 = "idHash != id_hash_a1(eNote, m_issuer)";
inline constexpr std::string_view kFoldNoteR = "eNote.R != rn*G";
inline constexpr std::string_view kFoldNoteC = "eNote.C != u*G (u = v + rn*k)";
inline constexpr std::string_view kFoldEncR = "eEnc.R != t*G";
inline constexpr std::string_view kFoldEncCA1 = "eEnc.C != w*G (w = m_rec + t*k)";
inline constexpr std::string_view kFoldDepCA1 = "E_dep.C != cd*G (cd = m_rec + sk*r_E)";

inline constexpr std::string_view kFoldIssR = "eIss.R != r'*G";
inline constexpr std::string_view kFoldIssC = "eIss.C != M_I + rm*G";
inline constexpr std::string_view kFoldEncCA2 = "eEnc.C != M_I + tk*G";
inline constexpr std::string_view kFoldT = "T != rm*G + gamma*H (keyed to another mailbox)";
inline constexpr std::string_view kFoldIssCSharedX =
    "eIss.C: the addends share an x-coordinate mod F_R, so the incomplete addition would land on a doubling or the "
    "identity";
inline constexpr std::string_view kFoldEncCSharedX =
    "eEnc.C: the addends share an x-coordinate mod F_R, so the incomplete addition would land on a doubling or the "
    "identity";
inline constexpr std::string_view kFoldTSharedX =
    "T: the addends share an x-coordinate mod F_R, so the incomplete addition would land on a doubling or the "
    "identity";
inline constexpr std::string_view kFoldDepCA2 = "E_dep.C != cd*G";
inline constexpr std::string_view kFoldIssuerLeaf = "the shipped issuer salt does not open a leaf under the posted root";
inline constexpr std::string_view kFoldIdHashA2 = "idHash != id_hash_a2(eNote, eIss, T)";

inline constexpr std::string_view kFoldPkDep = "pk_dep != sk_dep*G";
inline constexpr std::string_view kFoldDepR = "E_dep.R != r_E*G";
inline constexpr std::string_view kFoldRoot = "the witness root is not the posted identity root";

// ---- the relations on native values (the JSON entry points below read the
// arguments, call these and write the witness). Constant time in the secrets (v,
// m_issuer, r_note, m_rec, k, sk_dep, salt, t, r_E, rho, r', salt_iss, gamma): only
// the outcome of each relation leaves, as its error, and the nullifier.

/// The deposit account and receiving-leaf inputs shared by both flavors.
struct FoldAccount {
  PathRecord path;
  W m_rec, k, sk_dep, salt, t, r_e, rho, id_hash, identity_root;
  notes::CiphertextW e_dep;
  notes::G1Words pk_dep;
  notes::CiphertextW e_enc;
};

struct FoldA1Input {
  notes::CiphertextW e_note;
  W v, m_issuer, r_note;
  FoldAccount account;
};
/// What an A1 witness adds to its inputs.
struct FoldA1Values {
  bn254::Fr u, w, cd;
  W nullifier;
};
/// The A1 relations in the order of deposit_fold_a1_witness, with its messages.
Result<FoldA1Values> fold_a1_relations(const FoldA1Input& in);

struct FoldA2Input {
  notes::CiphertextW e_note, e_iss;
  W r_prime, salt_iss;
  PathRecord iss_path;
  notes::G1Words t;
  W gamma;
  FoldAccount account;
};
/// What an A2 witness adds to its inputs.
struct FoldA2Values {
  bn254::Fr rm, tk, cd;
  notes::G1Words m_i;
  W nullifier;
};
/// The A2 relations in the order of deposit_fold_a2_witness, with its messages.
Result<FoldA2Values> fold_a2_relations(const FoldA2Input& in);

// ---- JSON entry points

/// Keys, in order: "eNote" (hex ciphertext), "v", "m_issuer", "r_note", "path"
/// (Merkle path), "m_rec", "k", "sk_dep", "salt", "t", "r_E", "rho", "idHash",
/// "identityRoot", "E_dep" (hex ciphertext), "pk_dep" (hex point), "eEnc" (hex
/// ciphertext). Relations, in order: idHash == id_hash_a1(eNote, m_issuer);
/// eNote.R == r_note*G; eNote.C == u*G; eEnc.R == t*G; eEnc.C == w*G; pk_dep ==
/// sk_dep*G; E_dep.R == r_E*G; E_dep.C == cd*G; receiving_leaf(m_rec, k, salt)
/// folds along "path" to identityRoot; then the nullifier's own checks. Returns the
/// A1 witness JSON.
Result<std::string> deposit_fold_a1_witness(std::string_view args_json);

/// Keys, in order: "eNote", "eIss" (hex ciphertexts), "r_prime", "salt_iss",
/// "issPath" (Merkle path), "T" (hex point), "gamma", then "path", "m_rec", "k",
/// "sk_dep", "salt", "t", "r_E", "rho", "idHash", "identityRoot", "E_dep",
/// "pk_dep", "eEnc". With M_I = eIss.C - k*eIss.R, relations in order: eIss.R ==
/// r'*G; eIss.C == M_I + rm*G; eEnc.R == t*G; eEnc.C == M_I + tk*G; T == rm*G +
/// gamma*H; the x-coordinates (mod r) of the addends of those three sums differ;
/// the deposit account as in A1 (message "E_dep.C != cd*G"); the receiving leaf
/// folds to identityRoot; identity_leaf_salted(M_I, salt_iss) folds along "issPath"
/// to identityRoot; idHash == id_hash_a2(eNote, eIss, T); the nullifier's checks.
/// Returns the A2 witness JSON.
Result<std::string> deposit_fold_a2_witness(std::string_view args_json);

}  // namespace vorn::wallet
