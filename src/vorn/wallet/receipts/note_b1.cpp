// "note-b1": the spend of a B1 note (a deposit note, not addressed to a mailbox).
//
// Built from the note arguments (build_parts.h), the optional "eDepForIss" (the
// depositor's identity re-encrypted to the issuer), "issuer_sig" and the nonce
// "t_vd": the core (payer "public", payee "private", "note-spend" /
// "SpentCoupledB1"), "note" (eDepForIss when given), "proof" with the batch
// signature, and the recipient's "payee_vd" or the issuer's "vd_payee". Verified:
// idHash = id_hash_b1(m_iss), the batch signature, the steps of every note, and on
// the issuer side the issuer's proof that eDepForIss names the payee.
#include "vorn/notes/notes.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

constexpr std::string_view kIdHashB1 = "note-b1: idHash != id_hash_b1(m_iss)";
constexpr std::string_view kB1IssuerNeeds = "note-b1: issuer receipt needs eDepForIss + vd_payee";
constexpr std::string_view kB1VdContext = "note-b1: vd_payee context mismatch";
constexpr std::string_view kB1VdCiphertext = "note-b1: vd_payee ciphertext != eDepForIss";
constexpr std::string_view kB1VdNamesOther = "note-b1: vd_payee names a different M";
constexpr std::string_view kB1VdFails = "note-b1: vd_payee fails";

// The builder's own keys, then "t_vd" of "nonces".
struct B1Args {
  std::optional<CiphertextW> e_dep_for_iss;
  SchnorrRecord sig;
};
constexpr auto kB1Keys = std::tuple{
    Key{"eDepForIss", opt_ct, &B1Args::e_dep_for_iss},
    Key{"issuer_sig", record_at<SchnorrRecord, schnorr_from>, &B1Args::sig}};

Result<Json> build(const Kind& kind, const Common& c, const Json& args) {
  VORN_TRY(const NoteArgs n, read_note_args(c, args));
  VORN_TRY(const B1Args own, read_keys(args, kB1Keys));
  VORN_TRY(const W t_vd, get_w(*c.nonces, "t_vd"));
  const std::optional<CiphertextW>& e_dep_for_iss = own.e_dep_for_iss;

  VORN_CHECK(check_role(c.role));
  Json note = Json::object();
  if (e_dep_for_iss) note.set("eDepForIss", ct_hex(*e_dep_for_iss));
  VdJobs jobs;
  if (c.role == kRecipient) {
    if (!c.payee.sk || !c.payee.e) return err(kB1RecipientNeedsPayeeKey);
    VORN_CHECK(payee_self_vd(c, jobs, t_vd));
  } else {
    // The issuer (the payer) opens the depositor's identity re-encrypted to it.
    if (!e_dep_for_iss || !c.payer.sk) return err(kB1IssuerNeedsKey);
    VORN_CHECK(jobs.add(*e_dep_for_iss, *c.payer.sk, c.payee.m, c.payer.addr, t_vd));
  }
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));

  Json r = core_base(c, kind, txn_record(c, kind, &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, own.sig));
  r.set(c.role == kRecipient ? "payee_vd" : "vd_payee", std::move(vds[0]));
  add_notes(c, r);
  return r;
}

Result<Reason> identity(NoteCheck& n) {
  VORN_TRY(W id_hash, notes::id_hash_b1(n.m_iss));
  if (id_hash != n.opening.id_hash) return reason(kIdHashB1);
  return Reason();
}

// The issuer's proof that the depositor's re-encrypted identity is the payee's.
Result<Reason> issuer_side(NoteCheck& n) {
  const Json* e_dep_json = get_opt(n.note, "eDepForIss");
  const Json* vd_payee = get_opt(n.in.core, "vd_payee");
  if (!e_dep_json || !vd_payee) return reason(kB1IssuerNeeds);
  VORN_TRY(VdCheck v, vd_from_record(*vd_payee));
  if (v.chainid != n.in.chainid || v.account != n.in.payer.addr) return reason(kB1VdContext);
  VORN_TRY(CiphertextW e_dep_for_iss, as_ct(*e_dep_json));
  if (v.e_ct != e_dep_for_iss) return reason(kB1VdCiphertext);
  if (v.m_named != n.in.payee.m) return reason(kB1VdNamesOther);
  VORN_TRY(bool ok, vd_verifies(v, n.in.payer.pk));
  if (!ok) return reason(kB1VdFails);
  return Reason();
}

constexpr NoteFlavor kFlavor{notes::kFlavorB1, identity, {}, false, batch_signature, issuer_side, false};

}  // namespace

const Kind kNoteB1{"note-b1", kPublic, kPrivate, kNoteSpend, "SpentCoupledB1", build, verify_note, &kFlavor};

}  // namespace vorn::wallet::receipts
