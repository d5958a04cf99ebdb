// "eoa-priv": a private payer's transfer to a private payee, with the payer's
// approval handshake.
//
// Built from "E_for_payee" (the payer's identity re-encrypted to the payee),
// "cp_proof" (the payer's Chaum-Pedersen approval), the payee's key and the nonces
// "t_vd_payer", "t_self": the core (both parties "private", "eoa-transfer" /
// "Transfer"), "proof" {"approve", "vd_payer"} and "payee_vd". Verified: the
// approval handshake, the payee's proof that the approved ciphertext names the
// payer, and the ties of both to this receipt's parties and chain.
#include "vorn/crypto/words.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/receipts/build_parts.h"
#include "vorn/wallet/receipts/check_parts.h"
#include "vorn/wallet/receipts/kinds.h"

namespace vorn::wallet::receipts {

namespace {

constexpr std::string_view kEoaPrivMissingParts = "eoa-priv: missing approve/vd_payer";
constexpr std::string_view kEoaPrivApproveFails = "eoa-priv: approve handshake fails";
constexpr std::string_view kEoaPrivVdPayerFails = "eoa-priv: vd_payer fails";
constexpr std::string_view kEoaPrivNamedM = "eoa-priv: named M != payer M";
// The approval and the payer-naming proof are tied to this receipt's parties: the
// approval is the payer's (its registered ciphertext and key, its address as sender)
// towards the payee (key and address as spender) on this chain, and the payee's
// proof opens the very ciphertext the approval re-encrypted. Without these ties a
// payee could pair any public approval with its own encryption of the payer's point.
constexpr std::string_view kEoaPrivApproveParties = "eoa-priv: the approval does not name the receipt's parties";
constexpr std::string_view kEoaPrivVdPayerUnbound = "eoa-priv: vd_payer is not about the approved ciphertext";

// The approval as the receipt carries it ("proof"."approve").
struct Approval {
  CiphertextW e_a, e_b;
  G1Words pk_a, pk_b;
  W sender, spender;
  U128 chainid = 0;
};
constexpr auto kApprovalKeys = std::tuple{
    Key{"E_a", get_ct, &Approval::e_a},
    Key{"E_b", get_ct, &Approval::e_b},
    Key{"pk_a", get_g1, &Approval::pk_a},
    Key{"pk_b", get_g1, &Approval::pk_b},
    Key{"sender", get_w, &Approval::sender},
    Key{"spender", get_w, &Approval::spender},
    Key{"chainid", get_u128, &Approval::chainid}};

// The builder's own arguments, after the payer's E is known to be there: the
// payer's identity re-encrypted to the payee and the approval proof; then, after
// the payee's key, its nonces.
struct PrivArgs {
  CiphertextW e_for_payee;
  CpRecord cp;
};
constexpr auto kPrivKeys = std::tuple{
    Key{"E_for_payee", get_ct, &PrivArgs::e_for_payee},
    Key{"cp_proof", record_at<CpRecord, cp_from>, &PrivArgs::cp}};
struct PrivNonces {
  W t_vd_payer, t_self;
};
constexpr auto kPrivNonceKeys = std::tuple{
    Key{"t_vd_payer", get_w, &PrivNonces::t_vd_payer},
    Key{"t_self", get_w, &PrivNonces::t_self}};

Result<Json> build(const Kind& kind, const Common& c, const Json& args) {
  if (!c.payer.e) return err(kPayerERequired);
  VORN_TRY(const PrivArgs a, read_keys(args, kPrivKeys));
  VORN_CHECK(require_payee_key(c));
  VORN_TRY(const PrivNonces nonces, read_keys(*c.nonces, kPrivNonceKeys));
  const CiphertextW& e_for_payee = a.e_for_payee;
  const CpRecord& cp = a.cp;
  const W &t_vd_payer = nonces.t_vd_payer, &t_self = nonces.t_self;

  VdJobs jobs;
  // The payee opens the payer's identity re-encrypted to it.
  VORN_CHECK(jobs.add(e_for_payee, *c.payee.sk, c.payer.m, c.payee.addr, t_vd_payer));
  VORN_CHECK(payee_self_vd(c, jobs, t_self));
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));

  Json approve = Json::object();
  approve.set("E_a", ct_hex(*c.payer.e));
  approve.set("E_b", ct_hex(e_for_payee));
  approve.set("pk_a", g1_hex(c.payer.pk));
  approve.set("pk_b", g1_hex(c.payee.pk));
  approve.set("sender", scalar(c.payer.addr));
  approve.set("spender", scalar(c.payee.addr));
  approve.set("chainid", Json::number_u64(c.chainid));
  approve.set("proof", record_json(cp));
  Json proof = Json::object();
  proof.set("approve", std::move(approve));
  proof.set("vd_payer", std::move(vds[0]));

  Json r = core_base(c, kind, txn_record(c, kind, nullptr), kRecipient);
  r.set("proof", std::move(proof));
  r.set("payee_vd", std::move(vds[1]));
  add_notes(c, r);
  return r;
}

Result<Reason> verify(const Kind& kind, const Checked& in) {
  const ReceiptParty& payer = in.payer;
  const ReceiptParty& payee = in.payee;
  const U128 chainid = in.chainid;
  const Json* proof = get_opt(in.core, "proof");
  if (!proof) return reason(kind.name, kMissingProof);
  const Json* approve = get_opt(*proof, "approve");
  const Json* vd_payer = get_opt(*proof, "vd_payer");
  if (!approve || !vd_payer) return reason(kEoaPrivMissingParts);

  VORN_TRY(const Approval ap, read_keys(*approve, kApprovalKeys));
  VORN_TRY(const Json* contracts, get_field(in.core, "contracts"));
  VORN_TRY(const W registry, get_w(*contracts, "registry"));
  VORN_TRY(const CpRecord cp, (record_at<CpRecord, cp_from>(*approve, "proof")));
  const CiphertextW &e_a = ap.e_a, &e_b = ap.e_b;
  const G1Words &pk_a = ap.pk_a, &pk_b = ap.pk_b;
  const W &sender = ap.sender, &spender = ap.spender;
  const U128 approve_chain = ap.chainid;
  VORN_TRY(bool approved, crypto::words::chaum_pedersen_verify(e_a, e_b, pk_a,
                                                               pk_b, cp, sender, spender,
                                                               w_from_u128(approve_chain), registry));
  if (!approved) return reason(kEoaPrivApproveFails);

  VORN_TRY(VdCheck v, vd_from_record(*vd_payer));
  VORN_TRY(bool opened, vd_verifies(v, payee.pk));
  if (!opened) return reason(kEoaPrivVdPayerFails);
  if (v.m_named != payer.m) return reason(kEoaPrivNamedM);

  if (!payer.e || e_a != *payer.e || pk_a != payer.pk || pk_b != payee.pk || sender != payer.addr ||
      spender != payee.addr || approve_chain != chainid)
    return reason(kEoaPrivApproveParties);
  if (v.e_ct != e_b || v.account != payee.addr || v.chainid != chainid) return reason(kEoaPrivVdPayerUnbound);
  return Reason();
}

}  // namespace

const Kind kEoaPriv{"eoa-priv", kPrivate, kPrivate, kEoaTransfer, kTransfer, build, verify};

}  // namespace vorn::wallet::receipts
