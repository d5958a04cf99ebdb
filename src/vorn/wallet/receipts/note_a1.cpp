// "note-a1": the spend of an A1 note, addressed to the recipient's mailbox and
// carrying the recipient's identity ("eRec").
//
// Built from the note arguments (build_parts.h), the nonce "t_vd", the addressed
// arguments, "issuer_sig", "eNote", "eRec": the core (payer "public", payee
// "private", "note-spend" / "SpentCoupledA1"), "note" (pkRecv, the recipient's legs
// "vdNote", "vdRec" or the issuer's disclosed randomness, the mailbox binding),
// "proof" with the issuer's batch signature, and the recipient's "payee_vd".
// Verified: idHash = id_hash_a1(eNote, m_iss), the legs naming v*G and the payee's
// M, the batch signature, then the steps of every note (check_parts.h).
#include "vorn/notes/notes.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

// The second leg: the second ciphertext opens to the identity it carries.
constexpr std::string_view kSecondLeg = "vdRec";
constexpr std::string_view kIdHashA1 = "note-a1: idHash != id_hash_a1(eNote, m_iss)";

// "t_vd" of "nonces": optional (an issuer receipt has no self-naming), with its own
// message when it is not a string.
Result<std::optional<W>> opt_t_vd(const Json& nonces, std::string_view key) {
  return opt_w(nonces, key, kTvdNotHexString);
}

// The builder's own keys: "t_vd" of "nonces", the addressed arguments
// (read_addressed), then these.
struct A1Args {
  SchnorrRecord sig;
  CiphertextW e_note, e_rec;
};
constexpr auto kA1Keys = std::tuple{
    Key{"issuer_sig", record_at<SchnorrRecord, schnorr_from>, &A1Args::sig},
    Key{"eNote", get_ct, &A1Args::e_note},
    Key{"eRec", get_ct, &A1Args::e_rec}};

Result<Json> build(const Kind& kind, const Common& c, const Json& args) {
  VORN_TRY(const NoteArgs n, read_note_args(c, args));
  VORN_TRY(const std::optional<W> t_vd, opt_t_vd(*c.nonces, "t_vd"));
  VORN_TRY(const Addressed a, read_addressed(args, *c.nonces));
  VORN_TRY(const A1Args own, read_keys(args, kA1Keys));
  const CiphertextW &e_note = own.e_note, &e_rec = own.e_rec;

  VORN_CHECK(check_role(c.role));
  VdJobs jobs;
  size_t legs[2] = {};
  VORN_TRY(Json note, note_legs(c, n, a, e_note, e_rec, c.payee.m, jobs, legs));
  note.set("eNote", ct_hex(e_note));
  note.set("eRec", ct_hex(e_rec));
  std::optional<size_t> payee_vd;
  if (c.role == kRecipient) {
    if (!c.payee.sk || !c.payee.e) return err(kA1RecipientNeedsPayeeKey);
    VORN_TRY(W t, needed(t_vd));
    VORN_TRY(payee_vd, payee_self_vd(c, jobs, t));
  }
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));
  if (c.role == kRecipient) set_legs(note, vds, legs, kSecondLeg);

  Json r = core_base(c, kind, txn_record(c, kind, &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, own.sig));
  if (payee_vd) r.set("payee_vd", std::move(vds[*payee_vd]));
  add_notes(c, r);
  return r;
}

Result<Reason> identity(NoteCheck& n) {
  VORN_TRY(n.e_note, get_ct(n.note, "eNote"));
  VORN_TRY(n.second, get_ct(n.note, "eRec"));
  VORN_TRY(W id_hash, notes::id_hash_a1(n.e_note, n.m_iss));
  if (id_hash != n.opening.id_hash) return reason(kIdHashA1);
  return Reason();
}

constexpr NoteFlavor kFlavor{notes::kFlavorA1, identity, kSecondLeg, false, batch_signature, nullptr, false};

}  // namespace

const Kind kNoteA1{"note-a1", kPublic, kPrivate, kNoteSpend, "SpentCoupledA1", build, verify_note, &kFlavor};

}  // namespace vorn::wallet::receipts
