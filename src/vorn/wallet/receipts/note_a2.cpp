// "note-a2": the spend of an A2 note, addressed to the recipient's mailbox and
// carrying the issuer's own identity ("eIss") with the commitment T.
//
// Built from the note arguments (build_parts.h), the optional "binding" (the
// issuer's re-encryption proof), the addressed arguments, "gamma", the payer's E,
// "eNote", "eIss", "T" and the nonce "t_vd": the core (both parties "private",
// "note-spend" / "SpentCoupledA2"), "note" (pkRecv, the legs "vdNote", "vdIss" or
// the disclosed randomness, the mailbox binding, eNote, eIss, T, gamma), "proof",
// the holder's self-naming ("payee_vd", or the issuer's "payer_vd"), and
// "issuer_binding_status" with the binding when given. Verified: idHash =
// id_hash_a2(eNote, eIss, T), the legs naming v*G and the payer's M, the issuer
// binding when present (it must verify, commit to this T, and with gamma carry the
// named issuer: C - T + gamma*H = payer M), then the steps of every note; without a
// binding the receipt passes as "UNVERIFIED ISSUER".
#include "vorn/crypto/words.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

// The second leg: the second ciphertext opens to the identity it carries.
constexpr std::string_view kSecondLeg = "vdIss";
constexpr std::string_view kA2MissingT = "note-a2: missing T";
constexpr std::string_view kIdHashA2 = "note-a2: idHash != id_hash_a2(eNote, eIss, T)";
constexpr std::string_view kA2IssuerEMissing = "note-a2: issuer E_addr missing";
constexpr std::string_view kA2BindingFails = "note-a2: issuer binding fails";
constexpr std::string_view kA2BindingT = "note-a2: binding T != committed T";
constexpr std::string_view kA2NoGamma = "note-a2: binding carried without gamma";
constexpr std::string_view kA2NotNamedIssuer = "note-a2: the binding's Identity is not the named issuer";

// The builder's own keys: the optional "binding", the addressed arguments
// (read_addressed), "gamma"; then, once the payer's E is known to be there, these
// and "t_vd" of "nonces".
struct A2Args {
  CiphertextW e_note, e_iss;
  G1Words t_point;
};
constexpr auto kA2Keys = std::tuple{
    Key{"eNote", get_ct, &A2Args::e_note},
    Key{"eIss", get_ct, &A2Args::e_iss},
    Key{"T", get_g1, &A2Args::t_point}};

Result<Json> build(const Kind& kind, const Common& c, const Json& args) {
  VORN_TRY(const NoteArgs n, read_note_args(c, args));
  VORN_TRY(const std::optional<BindingRecord> binding, (opt_record<BindingRecord, binding_from>(args, "binding")));
  VORN_TRY(const Addressed a, read_addressed(args, *c.nonces));
  VORN_TRY(const std::optional<W> gamma, opt_hex(args, "gamma"));
  if (!c.payer.e) return err(kPayerERequired);
  VORN_TRY(const A2Args own, read_keys(args, kA2Keys));
  VORN_TRY(const W t_vd, get_w(*c.nonces, "t_vd"));
  const CiphertextW &e_note = own.e_note, &e_iss = own.e_iss;
  const G1Words& t_point = own.t_point;

  // Without gamma nobody can check that the binding carries the named issuer.
  if (binding && !gamma) return err(kA2BindingNeedsGamma);
  VORN_CHECK(check_role(c.role));
  VdJobs jobs;
  size_t legs[2] = {};
  VORN_TRY(Json note, note_legs(c, n, a, e_note, e_iss, c.payer.m, jobs, legs));
  note.set("eNote", ct_hex(e_note));
  note.set("eIss", ct_hex(e_iss));
  note.set("T", g1_hex(t_point));
  if (gamma) note.set("gamma", scalar(*gamma));
  size_t self_vd = 0;
  if (c.role == kRecipient) {
    if (!c.payee.sk || !c.payee.e) return err(kA2RecipientNeedsPayeeKey);
    VORN_TRY(self_vd, payee_self_vd(c, jobs, t_vd));
  } else {
    // The payer is the issuer: it names itself with its own key.
    if (!c.payer.sk) return err(kA2IssuerNeedsKey);
    VORN_TRY(self_vd, jobs.add(*c.payer.e, *c.payer.sk, c.payer.m, c.payer.addr, t_vd));
  }
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));
  if (c.role == kRecipient) set_legs(note, vds, legs, kSecondLeg);

  Json r = core_base(c, kind, txn_record(c, kind, &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, std::nullopt));
  r.set(c.role == kRecipient ? "payee_vd" : "payer_vd", std::move(vds[self_vd]));
  r.set("issuer_binding_status", text(binding ? "bound" : "unverified"));
  if (binding) r.set("issuer_binding", binding_json(*binding));
  add_notes(c, r);
  return r;
}

Result<Reason> identity(NoteCheck& n) {
  VORN_TRY(n.e_note, get_ct(n.note, "eNote"));
  VORN_TRY(n.second, get_ct(n.note, "eIss"));
  const Json* t_json = get_opt(n.note, "T");
  if (!t_json) return reason(kA2MissingT);
  VORN_TRY(n.t_point, as_g1(*t_json));
  VORN_TRY(W id_hash, notes::id_hash_a2(n.e_note, n.second, n.t_point));
  if (id_hash != n.opening.id_hash) return reason(kIdHashA2);
  return Reason();
}

// The issuer binding, when the receipt carries one.
Result<Reason> authority(NoteCheck& n) {
  const Json* binding_json = get_opt(n.in.core, "issuer_binding");
  if (!binding_json) return Reason();
  const ReceiptParty& payer = n.in.payer;
  VORN_TRY(BindingRecord binding, binding_from(*binding_json));
  if (!payer.e) return reason(kA2IssuerEMissing);
  VORN_TRY(bool bound, crypto::words::issuer_reenc_verify(payer.pk, *payer.e, n.second,
                                                          binding, payer.addr, w_from_u128(n.in.chainid)));
  if (!bound) return reason(kA2BindingFails);
  if (binding.T != n.t_point) return reason(kA2BindingT);
  const Json* gamma_json = get_opt(n.note, "gamma");
  if (!gamma_json) return reason(kA2NoGamma);
  VORN_TRY(W gamma, as_w(*gamma_json));
  VORN_TRY(G1Words carried, binding_identity(n.second.c, n.t_point, gamma));
  if (carried != payer.m) return reason(kA2NotNamedIssuer);
  return Reason();
}

constexpr NoteFlavor kFlavor{notes::kFlavorA2, identity, kSecondLeg, true, authority, nullptr, true};

}  // namespace

const Kind kNoteA2{"note-a2", kPrivate, kPrivate, kNoteSpend, "SpentCoupledA2", build, verify_note, &kFlavor};

}  // namespace vorn::wallet::receipts
