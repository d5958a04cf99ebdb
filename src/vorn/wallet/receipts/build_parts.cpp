#include "vorn/wallet/receipts/build_parts.h"

#include "vorn/bn254/encoding.h"
#include "vorn/crypto/words.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/group_args.h"

namespace vorn::wallet::receipts {

Result<uint64_t> get_u64(const Json& obj, std::string_view key) {
  VORN_TRY(U128 v, get_u128(obj, key));
  if (v > UINT64_MAX) return err(kIntegerOutOfRange);
  return static_cast<uint64_t>(v);
}

Json text(std::string_view s) { return Json::string(std::string(s)); }
Json scalar(const W& w) { return Json::string(scalar_hex(w)); }

namespace {

// The note arguments' declared keys: the mint fields of "txn", then "opening", then
// "cms" (cms_from, with its own messages), then these.
constexpr auto kMintKeys = std::tuple{
    Key{"mint_txhash", get_str, &NoteArgs::mint_txhash},
    Key{"mint_block", get_u64, &NoteArgs::mint_block}};
constexpr auto kSpendKeys = std::tuple{
    Key{"nullifier", get_w, &NoteArgs::nullifier},
    Key{"face", get_w, &NoteArgs::face}};

// The addressed arguments' keys, then those of "nonces"; "mailbox_binding" is taken
// as it stands when present.
constexpr auto kAddressedKeys = std::tuple{
    Key{"pk_recv", get_g1, &Addressed::pk_recv},
    Key{"k_recv", opt_hex, &Addressed::k_recv},
    Key{"r_note", opt_hex, &Addressed::r_note},
    Key{"r_id", opt_hex, &Addressed::r_id}};
constexpr auto kAddressedNonceKeys = std::tuple{
    Key{"t_note", opt_hex, &Addressed::t_note},
    Key{"t_id", opt_hex, &Addressed::t_id}};

}  // namespace

Result<NoteArgs> read_note_args(const Common& c, const Json& args) {
  NoteArgs n;
  VORN_CHECK(read_keys(*c.txn, kMintKeys, n));
  VORN_TRY(n.opening, (record_at<NoteOpening, opening_from>(args, "opening")));
  VORN_TRY(n.cms, cms_from(args));
  VORN_CHECK(read_keys(args, kSpendKeys, n));
  return n;
}

// ---- verifiable-decryption proofs

Result<size_t> VdJobs::add(const CiphertextW& ct, const W& sk, const G1Words& m, const W& account, const W& t) {
  VORN_CHECK(bn254::g1_from_w(ct.r));
  VORN_CHECK(bn254::g1_from_w(ct.c));
  VORN_CHECK(bn254::g1_from_w(m));
  jobs_.push_back({ct, sk, m, reduce_mod_r(account), t});
  return jobs_.size() - 1;
}

Status VdJobs::check_nonces() const {
  std::vector<Fr> ts;
  ts.reserve(jobs_.size());
  for (const Job& j : jobs_) ts.push_back(fr_of(j.t));
  return wallet::check_nonces(ts);
}

Result<std::vector<Json>> VdJobs::prove_all(uint64_t chainid) const {
  VORN_CHECK(check_nonces());
  std::vector<Json> out;
  out.reserve(jobs_.size());
  for (const Job& j : jobs_) {
    VORN_TRY(VdRecord proof, crypto::words::verifiable_decrypt_prove(j.ct, j.sk, j.m, j.account,
                                                                     W::from_u64(chainid), j.t));
    Json rec = Json::object();
    rec.set("E_ct", ct_hex(j.ct));
    rec.set("M_named", g1_hex(j.m));
    rec.set("account", Json::string(hex_w(j.account)));
    rec.set("chainid", Json::number_u64(chainid));
    rec.set("proof", vd_json(proof));
    out.push_back(std::move(rec));
  }
  return out;
}

// ---- records

Json party_record(const Party& p, std::string_view kind) {
  Json o = Json::object();
  o.set("kind", text(kind));
  o.set("addr", scalar(p.addr));
  o.set("identity", text(p.identity));
  o.set("M", g1_hex(p.m));
  o.set("pk", g1_hex(p.pk));
  if (p.e) o.set("E_addr", ct_hex(*p.e));
  return o;
}

Json txn_record(const Common& c, const Kind& kind, const NoteArgs* note) {
  Json o = Json::object();
  o.set("kind", text(kind.txn_kind));
  o.set("value", Json::number_u128(c.value));
  o.set("timestamp", Json::number_u64(c.block_time));
  o.set("event", text(kind.event));
  o.set("txhash", text(c.txhash));
  o.set("block", Json::number_u64(c.block));
  o.set("logindex", Json::number_u64(c.logindex));
  if (note) {
    o.set("mint_txhash", text(note->mint_txhash));
    o.set("mint_block", Json::number_u64(note->mint_block));
    o.set("nullifier", scalar(note->nullifier));
  }
  return o;
}

Json core_base(const Common& c, const Kind& kind, Json txn, std::string_view role) {
  Json o = Json::object();
  o.set("v", Json::number_u64(1));
  o.set("type", text(kind.name));
  o.set("chainid", Json::number_u64(c.chainid));
  o.set("contracts", *c.contracts);
  o.set("payer", party_record(c.payer, kind.payer_kind));
  o.set("payee", party_record(c.payee, kind.payee_kind));
  o.set("txn", std::move(txn));
  o.set("role", text(role));
  return o;
}

void add_notes(const Common& c, Json& receipt) {
  if (!c.notes) return;
  Json a = Json::array();
  for (const std::string& n : *c.notes) a.push(text(n));
  receipt.set("notes", std::move(a));
}

Json receipts_proof_record(const NoteArgs& n, const std::optional<SchnorrRecord>& sig) {
  Json opening = Json::object();
  opening.set("flavor", scalar(W::from_u64(n.opening.flavor)));
  opening.set("v", scalar(n.opening.v));
  opening.set("rho", scalar(n.opening.rho));
  opening.set("idHash", scalar(n.opening.id_hash));
  opening.set("predicate", scalar(n.opening.predicate));
  Json cms = Json::array();
  for (const W& cm : n.cms) cms.push(scalar(cm));
  Json o = Json::object();
  o.set("opening", std::move(opening));
  o.set("cms", std::move(cms));
  o.set("nullifier", scalar(n.nullifier));
  o.set("face", scalar(n.face));
  if (sig) o.set("issuer_sig", record_json(*sig));
  return o;
}

Status check_role(std::string_view role) {
  if (role != kRecipient && role != kIssuer) return err(kUnknownReceiptRole);
  return ok_status();
}

Result<W> needed(const std::optional<W>& nonce) {
  if (!nonce) return err(kMissingField);
  return *nonce;
}

Result<size_t> payee_self_vd(const Common& c, VdJobs& jobs, const W& t) {
  return jobs.add(*c.payee.e, *c.payee.sk, c.payee.m, c.payee.addr, t);
}

Status require_payee_key(const Common& c) {
  if (!c.payee.sk) return err(kPayeeSkRequired);
  if (!c.payee.e) return err(kPayeeERequired);
  return ok_status();
}

// ---- addressed notes

Result<Addressed> read_addressed(const Json& args, const Json& nonces) {
  Addressed a;
  VORN_CHECK(read_keys(args, kAddressedKeys, a));
  VORN_CHECK(read_keys(nonces, kAddressedNonceKeys, a));
  a.mailbox_binding = get_opt(args, "mailbox_binding");
  return a;
}

Result<Json> note_legs(const Common& c, const NoteArgs& n, const Addressed& a, const CiphertextW& e_note,
                       const CiphertextW& second, const G1Words& second_plain, VdJobs& jobs, size_t legs[2]) {
  Json note = Json::object();
  if (c.role == kRecipient) {
    if (!a.k_recv) return err(kRecipientNeedsKRecv);
    note.set("pkRecv", g1_hex(mul_g_words(*a.k_recv)));
    VORN_TRY(W t_note, needed(a.t_note));
    VORN_TRY(legs[0], jobs.add(e_note, *a.k_recv, mul_g_words(n.opening.v), c.payee.addr, t_note));
    VORN_TRY(W t_id, needed(a.t_id));
    VORN_TRY(legs[1], jobs.add(second, *a.k_recv, second_plain, c.payee.addr, t_id));
  } else {
    if (!a.r_note || !a.r_id) return err(kIssuerNeedsMintRandomness);
    note.set("pkRecv", g1_hex(a.pk_recv));
    note.set("rNote", scalar(*a.r_note));
    note.set("rId", scalar(*a.r_id));
  }
  if (a.mailbox_binding) note.set("binding", *a.mailbox_binding);
  return note;
}

void set_legs(Json& note, std::vector<Json>& vds, const size_t legs[2], std::string_view second_leg) {
  note.set(std::string(kNoteLeg), std::move(vds[legs[0]]));
  note.set(std::string(second_leg), std::move(vds[legs[1]]));
}

}  // namespace vorn::wallet::receipts
