// The parts every receipt kind's builder shares: the common arguments, the
// verifiable-decryption proofs queued while a kind reads its own arguments, the
// records of the receipt core, and the note and addressed-mailbox arguments of the
// note kinds. Secret keys and nonces reach only the constant-time provers.
#pragma once

#include <cstddef>
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

/// A JSON integer that the receipt carries as a 64-bit value ("receipt: integer out
/// of range" above 2^64 - 1).
Result<uint64_t> get_u64(const Json& obj, std::string_view key);

Json text(std::string_view s);
/// The word reduced modulo r, as a hex string.
Json scalar(const W& w);

/// The arguments every kind reads, in the order they are read.
struct Common {
  std::string kind;
  std::string role;
  uint64_t chainid = 0;
  const Json* contracts = nullptr;
  Party payer, payee;
  const Json* txn = nullptr;
  const Json* nonces = nullptr;
  std::optional<std::vector<std::string>> notes;
  U128 value = 0;
  uint64_t block_time = 0;
  std::string txhash;
  uint64_t block = 0, logindex = 0;

  W chain_word() const { return W::from_u64(chainid); }
};

/// The note arguments shared by the three note kinds.
struct NoteArgs {
  std::string mint_txhash;
  uint64_t mint_block = 0;
  NoteOpening opening;
  std::vector<W> cms;
  W nullifier, face;
};

/// "mint_txhash", "mint_block" of "txn", then "opening", "cms", "nullifier",
/// "face": the note kinds read these before their own arguments.
Result<NoteArgs> read_note_args(const Common& c, const Json& args);

/// The verifiable-decryption proofs of one receipt. Each is queued where the build
/// order makes it, after its ciphertext and named point have been decoded (R, C, M:
/// the prover's order), so a malformed point fails at the same step as the proof;
/// the nonces are checked together and the proofs made once everything else has
/// passed.
class VdJobs {
 public:
  Result<size_t> add(const CiphertextW& ct, const W& sk, const G1Words& m, const W& account, const W& t);

  /// The nonce rule (group_args.h) over every queued proof's nonce.
  Status check_nonces() const;

  /// The records {"E_ct", "M_named", "account", "chainid", "proof"}, in queue order.
  Result<std::vector<Json>> prove_all(uint64_t chainid) const;

 private:
  struct Job {
    CiphertextW ct;
    W sk;
    G1Words m;
    W account;  // reduced: the word the record carries is the word the proof binds
    W t;
  };
  std::vector<Job> jobs_;
};

// ---- the receipt core

/// {"kind", "addr", "identity", "M", "pk", "E_addr" when known}.
Json party_record(const Party& p, std::string_view kind);
/// The transaction record of the kind; with the note's mint fields and nullifier
/// for a note kind.
Json txn_record(const Common& c, const Kind& kind, const NoteArgs* note);
/// {"v", "type", "chainid", "contracts", "payer", "payee", "txn", "role"}.
Json core_base(const Common& c, const Kind& kind, Json txn, std::string_view role);
/// "notes" when the caller gave any.
void add_notes(const Common& c, Json& receipt);

/// The note kinds' "proof": the opening, "cms", "nullifier", "face", and the
/// issuer's batch signature when the kind carries one.
Json receipts_proof_record(const NoteArgs& n, const std::optional<SchnorrRecord>& sig);

/// "recipient" or "issuer", else "unknown receipt role".
Status check_role(std::string_view role);
/// A nonce the build needs: "receipt: missing field" when the caller left it out.
Result<W> needed(const std::optional<W>& nonce);

/// The payee's self-naming proof: its registered ciphertext opens to its own M.
Result<size_t> payee_self_vd(const Common& c, VdJobs& jobs, const W& t);
/// payee.sk, then payee.E: the payee's key for its self-naming proof.
Status require_payee_key(const Common& c);

// ---- addressed notes (A1, A2)

/// The addressed-mailbox arguments of A1 and A2 notes.
struct Addressed {
  G1Words pk_recv;
  std::optional<W> k_recv, r_note, r_id, t_note, t_id;
  const Json* mailbox_binding = nullptr;
};

/// "pk_recv", "k_recv", "r_note", "r_id", then from "nonces" "t_note", "t_id",
/// then "mailbox_binding".
Result<Addressed> read_addressed(const Json& args, const Json& nonces);

/// The note payload's addressed part and its legs. The recipient proves, under its
/// receiving secret k_recv (public key k_recv*G), that eNote opens to v*G and the
/// second ciphertext to `second_plain`; the issuer discloses the mint randomness
/// instead. Returns the payload with "pkRecv", "rNote"/"rId" and "binding" set; the
/// legs are queued in `jobs` and their indices stored in `legs`.
Result<Json> note_legs(const Common& c, const NoteArgs& n, const Addressed& a, const CiphertextW& e_note,
                       const CiphertextW& second, const G1Words& second_plain, VdJobs& jobs, size_t legs[2]);

/// The recipient's two legs, once proved, under "vdNote" and `second_leg`.
void set_legs(Json& note, std::vector<Json>& vds, const size_t legs[2], std::string_view second_leg);

}  // namespace vorn::wallet::receipts
