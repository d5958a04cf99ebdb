// The parts every receipt kind's verification shares: the parties and proof records
// as a receipt carries them, the holder's self-naming, the addressed legs and the
// mailbox binding of A1 and A2 notes, and the steps of every note kind (verify_note),
// whose flavor-specific steps each note kind's file supplies as a NoteFlavor. All
// of it works on public data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/wallet/json.h"
#include "vorn/wallet/receipts/kinds.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet::receipts {

// Messages shared by several kinds; a leading "{}" of a message is the receipt's
// type, joined in front.
inline constexpr std::string_view kMissingProof = ": missing proof";

/// The reason a + b + c + d.
Reason reason(std::string_view a, std::string_view b = {}, std::string_view c = {}, std::string_view d = {});

// Returns from the enclosing function when `expr` fails or gives a reason.
#define VORN_REASON(expr)                  \
  do {                                     \
    VORN_TRY(Reason vorn_reason_, expr);   \
    if (vorn_reason_) return vorn_reason_; \
  } while (0)

W w_from_u128(U128 v);

/// A party as a receipt carries it: the record a builder reads as a wallet argument
/// (Party: address, identity text, M, pk, the registered ciphertext E, written
/// "E_addr" in a receipt), with the party's "kind"; its sk is never in a receipt and
/// stays empty.
struct ReceiptParty : Party {
  std::string kind;
};

/// The party under `key` of the core: "addr", "kind", "identity", "M", "pk", then
/// the optional "E_addr".
Result<ReceiptParty> party(const Json& core, std::string_view key);

/// A verifiable-decryption record: the ciphertext, the point it names, the account
/// and chain it is bound to, and the proof.
struct VdCheck {
  CiphertextW e_ct;
  G1Words m_named;
  W account;
  U128 chainid = 0;
  VdRecord proof;
};

/// "proof" (present), "E_ct", "M_named", "account", "chainid", then the proof record.
Result<VdCheck> vd_from_record(const Json& rec);

/// Whether the record's proof verifies under `pk`, over its own fields.
Result<bool> vd_verifies(const VdCheck& v, const G1Words& pk);

/// A value that must be a hex string: `not_string` when it is not one, then the
/// hex-word errors.
Result<W> hex_string(const Json& v, std::string_view not_string);

/// What every kind's verification starts from: the core, its role and chain, and
/// the two parties, read and checked.
struct Checked {
  const Json& core;
  std::string_view role;
  U128 chainid;
  const ReceiptParty& payer;
  const ReceiptParty& payee;
};

/// One note receipt under verification: what the common steps read, and what the
/// flavor's identity step reads for the later steps.
struct NoteCheck {
  const Checked& in;
  const Kind& kind;
  const Json& proof;
  const Json& note;
  NoteOpening opening;
  std::vector<W> cms;
  W m_iss;
  CiphertextW e_note, second;  // A1, A2
  G1Words t_point{};           // A2

  NoteCheck(const Checked& in_, const Kind& kind_, const Json& proof_, const Json& note_)
      : in(in_), kind(kind_), proof(proof_), note(note_) {}
};

/// The steps in which the note kinds differ, in the order verify_note takes them.
struct NoteFlavor {
  uint64_t flavor;
  /// Reads the flavor's ciphertexts and checks its identity hash.
  Result<Reason> (*identity)(NoteCheck& n);
  /// The second addressed leg ("vdRec", "vdIss"); empty for a note that is not
  /// addressed to a mailbox (B1).
  std::string_view second_leg;
  /// The second ciphertext carries the payer's identity (A2) rather than the payee's.
  bool second_names_payer;
  /// The issuer's authority over the minted batch.
  Result<Reason> (*authority)(NoteCheck& n);
  /// The issuer side's own proofs after nullifier, face and value; may be null.
  Result<Reason> (*issuer_side)(NoteCheck& n);
  /// A passing receipt without "issuer_binding" is "UNVERIFIED ISSUER" (A2).
  bool binding_optional;

  bool addressed() const { return !second_leg.empty(); }
};

/// The authority of A1 and B1: the issuer's Schnorr signature over the batch.
Result<Reason> batch_signature(NoteCheck& n);

/// The note kinds' verification, from "proof" and "note" onwards: the opening's
/// flavor and membership of the minted batch, the flavor's identity hash, the
/// addressed legs and mailbox binding (A1, A2), the issuer's authority, nullifier,
/// face and value, then the issuer side's proofs.
Result<Reason> verify_note(const Kind& kind, const Checked& in);

}  // namespace vorn::wallet::receipts
