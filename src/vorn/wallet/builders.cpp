#include "vorn/wallet/builders.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/words.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

namespace {

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

constexpr std::string_view kRecipient = "recipient";
constexpr std::string_view kIssuer = "issuer";

// A JSON integer that the receipt carries as a 64-bit value.
Result<uint64_t> get_u64(const Json& obj, std::string_view key) {
  VORN_TRY(U128 v, get_u128(obj, key));
  if (v > UINT64_MAX) return err(kIntegerOutOfRange);
  return static_cast<uint64_t>(v);
}

Json text(std::string_view s) { return Json::string(std::string(s)); }
Json scalar(const W& w) { return Json::string(scalar_hex(w)); }
Json point(const bn254::G1Words& p) { return g1_hex(p); }

// k*G, constant time in k (receiving secrets; note values).
G1Words mul_gen_ct(const W& k) {
  return bn254::w_from_g1(bn254::g1_mul_gen_ct(bn254::Fr::from_w_reduce(k)));
}

// Constant-time equality of two words.
bool ct_eq(const W& a, const W& b) {
  uint8_t acc = 0;
  for (size_t i = 0; i < 32; ++i) acc |= a.b[i] ^ b.b[i];
  return acc == 0;
}

// The arguments every kind reads, in the order they are read.
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

// The note arguments shared by the three note kinds.
struct NoteArgs {
  std::string mint_txhash;
  uint64_t mint_block = 0;
  NoteOpening opening;
  std::vector<W> cms;
  W nullifier, face;
};

// The verifiable-decryption proofs of one receipt. Each is queued where the build
// order makes it, after its ciphertext and named point have been decoded (R, C, M:
// the prover's order), so a malformed point fails at the same step as the proof; the
// nonces are checked together and the proofs made once everything else has passed.
class VdJobs {
 public:
  Result<size_t> add(const CiphertextW& ct, const W& sk, const G1Words& m, const W& account, const W& t) {
    VORN_CHECK(bn254::g1_from_w(ct.r));
    VORN_CHECK(bn254::g1_from_w(ct.c));
    VORN_CHECK(bn254::g1_from_w(m));
    jobs_.push_back({ct, sk, m, reduce_mod_r(account), t});
    return jobs_.size() - 1;
  }

  // Every nonce nonzero mod r and no two equal mod r. Constant time in the nonces.
  Status check_nonces() const {
    std::vector<W> ts;
    ts.reserve(jobs_.size());
    bool bad = false;
    for (const Job& j : jobs_) {
      ts.push_back(reduce_mod_r(j.t));
      bad |= ct_eq(ts.back(), W{});
    }
    for (size_t i = 0; i < ts.size(); ++i)
      for (size_t k = i + 1; k < ts.size(); ++k) bad |= ct_eq(ts[i], ts[k]);
    if (bad) return err(kUnsafeNonces);
    return ok_status();
  }

  // The records {"E_ct", "M_named", "account", "chainid", "proof"}, in queue order.
  Result<std::vector<Json>> prove_all(uint64_t chainid) const {
    VORN_CHECK(check_nonces());
    std::vector<Json> out;
    out.reserve(jobs_.size());
    for (const Job& j : jobs_) {
      VORN_TRY(VdRecord proof, crypto::words::verifiable_decrypt_prove(ct_words(j.ct), j.sk, j.m, j.account,
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

Json txn_record(const Common& c, std::string_view kind, std::string_view event, const NoteArgs* note) {
  Json o = Json::object();
  o.set("kind", text(kind));
  o.set("value", Json::number_u128(c.value));
  o.set("timestamp", Json::number_u64(c.block_time));
  o.set("event", text(event));
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

Json core_base(const Common& c, std::string_view type, std::string_view payer_kind, std::string_view payee_kind,
               Json txn, std::string_view role) {
  Json o = Json::object();
  o.set("v", Json::number_u64(1));
  o.set("type", text(type));
  o.set("chainid", Json::number_u64(c.chainid));
  o.set("contracts", *c.contracts);
  o.set("payer", party_record(c.payer, payer_kind));
  o.set("payee", party_record(c.payee, payee_kind));
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

Json schnorr_json(const SchnorrRecord& s) {
  Json o = Json::object();
  o.set("e", scalar(s.e));
  o.set("s", scalar(s.s));
  o.set("R", point(s.R));
  return o;
}

Json cp_json(const CpRecord& p) {
  Json o = Json::object();
  o.set("e", scalar(p.e));
  o.set("s1", scalar(p.s1));
  o.set("s2", scalar(p.s2));
  o.set("T1", point(p.T1));
  o.set("T2", point(p.T2));
  o.set("T3", point(p.T3));
  return o;
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
  if (sig) o.set("issuer_sig", schnorr_json(*sig));
  return o;
}

Status check_role(std::string_view role) {
  if (role != kRecipient && role != kIssuer) return err(kUnknownReceiptRole);
  return ok_status();
}

// A nonce the build needs: "receipt: missing field" when the caller left it out.
Result<W> needed(const std::optional<W>& nonce) {
  if (!nonce) return err(kMissingField);
  return *nonce;
}

// ---- eoa kinds

// The payee's self-naming proof: its registered ciphertext opens to its own M.
Result<size_t> payee_self_vd(const Common& c, VdJobs& jobs, const W& t) {
  return jobs.add(*c.payee.e, *c.payee.sk, c.payee.m, c.payee.addr, t);
}

Status require_payee_key(const Common& c) {
  if (!c.payee.sk) return err(kPayeeSkRequired);
  if (!c.payee.e) return err(kPayeeERequired);
  return ok_status();
}

Result<Json> build_eoa_pub(const Common& c) {
  VORN_CHECK(require_payee_key(c));
  VORN_TRY(W t_self, get_w(*c.nonces, "t_self"));
  VdJobs jobs;
  VORN_CHECK(payee_self_vd(c, jobs, t_self));
  VORN_TRY(std::vector<Json> vds, jobs.prove_all(c.chainid));
  Json r = core_base(c, "eoa-pub", "public", "private", txn_record(c, "eoa-transfer", "Transfer", nullptr), kRecipient);
  r.set("payee_vd", std::move(vds[0]));
  add_notes(c, r);
  return r;
}

Result<Json> build_eoa_priv(const Common& c, const Json& args) {
  if (!c.payer.e) return err(kPayerERequired);
  VORN_TRY(CiphertextW e_for_payee, get_ct(args, "E_for_payee"));
  VORN_TRY(const Json* cp_rec, get_field(args, "cp_proof"));
  VORN_TRY(CpRecord cp, cp_from(*cp_rec));
  VORN_CHECK(require_payee_key(c));
  VORN_TRY(W t_vd_payer, get_w(*c.nonces, "t_vd_payer"));
  VORN_TRY(W t_self, get_w(*c.nonces, "t_self"));

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
  approve.set("proof", cp_json(cp));
  Json proof = Json::object();
  proof.set("approve", std::move(approve));
  proof.set("vd_payer", std::move(vds[0]));

  Json r = core_base(c, "eoa-priv", "private", "private", txn_record(c, "eoa-transfer", "Transfer", nullptr),
                     kRecipient);
  r.set("proof", std::move(proof));
  r.set("payee_vd", std::move(vds[1]));
  add_notes(c, r);
  return r;
}

// ---- note kinds

// The addressed-mailbox arguments of A1 and A2 notes.
struct Addressed {
  G1Words pk_recv;
  std::optional<W> k_recv, r_note, r_id, t_note, t_id;
  const Json* mailbox_binding = nullptr;
};

Result<Addressed> read_addressed(const Json& args, const Json& nonces) {
  Addressed a;
  VORN_TRY(a.pk_recv, get_g1(args, "pk_recv"));
  VORN_TRY(a.k_recv, opt_w(args, "k_recv"));
  VORN_TRY(a.r_note, opt_w(args, "r_note"));
  VORN_TRY(a.r_id, opt_w(args, "r_id"));
  VORN_TRY(a.t_note, opt_w(nonces, "t_note"));
  VORN_TRY(a.t_id, opt_w(nonces, "t_id"));
  a.mailbox_binding = get_opt(args, "mailbox_binding");
  return a;
}

// The note payload's addressed part and its legs. The recipient proves, under its
// receiving secret k_recv (public key k_recv*G), that eNote opens to v*G and the
// second ciphertext to `second_plain`; the issuer discloses the mint randomness
// instead. Returns the payload with "pkRecv", "rNote"/"rId" and "binding" set; the
// legs are queued in `jobs` and their indices stored in `legs`.
Result<Json> note_legs(const Common& c, const NoteArgs& n, const Addressed& a, const CiphertextW& e_note,
                       const CiphertextW& second, const G1Words& second_plain, VdJobs& jobs, size_t legs[2]) {
  Json note = Json::object();
  if (c.role == kRecipient) {
    if (!a.k_recv) return err(kRecipientNeedsKRecv);
    note.set("pkRecv", g1_hex(mul_gen_ct(*a.k_recv)));
    VORN_TRY(W t_note, needed(a.t_note));
    VORN_TRY(legs[0], jobs.add(e_note, *a.k_recv, mul_gen_ct(n.opening.v), c.payee.addr, t_note));
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

Result<Json> build_note_a1(const Common& c, const NoteArgs& n, const Json& args) {
  VORN_TRY(std::optional<W> t_vd, opt_w(*c.nonces, "t_vd", kTvdNotHexString));
  VORN_TRY(Addressed a, read_addressed(args, *c.nonces));
  VORN_TRY(const Json* sig_rec, get_field(args, "issuer_sig"));
  VORN_TRY(SchnorrRecord sig, schnorr_from(*sig_rec));
  VORN_TRY(CiphertextW e_note, get_ct(args, "eNote"));
  VORN_TRY(CiphertextW e_rec, get_ct(args, "eRec"));

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
  if (c.role == kRecipient) {
    note.set("vdNote", std::move(vds[legs[0]]));
    note.set("vdRec", std::move(vds[legs[1]]));
  }

  Json r = core_base(c, "note-a1", "public", "private", txn_record(c, "note-spend", "SpentCoupledA1", &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, sig));
  if (payee_vd) r.set("payee_vd", std::move(vds[*payee_vd]));
  add_notes(c, r);
  return r;
}

Result<Json> build_note_a2(const Common& c, const NoteArgs& n, const Json& args) {
  std::optional<BindingRecord> binding;
  if (const Json* b = get_opt(args, "binding")) {
    VORN_TRY(binding, binding_from(*b));
  }
  VORN_TRY(Addressed a, read_addressed(args, *c.nonces));
  VORN_TRY(std::optional<W> gamma, opt_w(args, "gamma"));
  if (!c.payer.e) return err(kPayerERequired);
  VORN_TRY(CiphertextW e_note, get_ct(args, "eNote"));
  VORN_TRY(CiphertextW e_iss, get_ct(args, "eIss"));
  VORN_TRY(G1Words t_point, get_g1(args, "T"));
  VORN_TRY(W t_vd, get_w(*c.nonces, "t_vd"));

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
  if (c.role == kRecipient) {
    note.set("vdNote", std::move(vds[legs[0]]));
    note.set("vdIss", std::move(vds[legs[1]]));
  }

  Json r = core_base(c, "note-a2", "private", "private", txn_record(c, "note-spend", "SpentCoupledA2", &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, std::nullopt));
  r.set(c.role == kRecipient ? "payee_vd" : "payer_vd", std::move(vds[self_vd]));
  r.set("issuer_binding_status", text(binding ? "bound" : "unverified"));
  if (binding) r.set("issuer_binding", binding_json(*binding));
  add_notes(c, r);
  return r;
}

Result<Json> build_note_b1(const Common& c, const NoteArgs& n, const Json& args) {
  VORN_TRY(std::optional<CiphertextW> e_dep_for_iss, opt_ct(args, "eDepForIss"));
  VORN_TRY(const Json* sig_rec, get_field(args, "issuer_sig"));
  VORN_TRY(SchnorrRecord sig, schnorr_from(*sig_rec));
  VORN_TRY(W t_vd, get_w(*c.nonces, "t_vd"));

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

  Json r = core_base(c, "note-b1", "public", "private", txn_record(c, "note-spend", "SpentCoupledB1", &n), c.role);
  r.set("note", std::move(note));
  r.set("proof", receipts_proof_record(n, sig));
  r.set(c.role == kRecipient ? "payee_vd" : "vd_payee", std::move(vds[0]));
  add_notes(c, r);
  return r;
}

Result<Json> build_note(const Common& c, const Json& args) {
  NoteArgs n;
  VORN_TRY(n.mint_txhash, get_str(*c.txn, "mint_txhash"));
  VORN_TRY(n.mint_block, get_u64(*c.txn, "mint_block"));
  VORN_TRY(const Json* opening, get_field(args, "opening"));
  VORN_TRY(n.opening, opening_from(*opening));
  VORN_TRY(n.cms, cms_from(args));
  VORN_TRY(n.nullifier, get_w(args, "nullifier"));
  VORN_TRY(n.face, get_w(args, "face"));
  if (c.kind == "note-a1") return build_note_a1(c, n, args);
  if (c.kind == "note-a2") return build_note_a2(c, n, args);
  return build_note_b1(c, n, args);
}

}  // namespace

Result<Json> build_receipt_value(const Json& args) {
  Common c;
  VORN_TRY(c.kind, get_str(args, "kind"));
  const Json* role = args.find("role");
  c.role = role && role->is_string() ? *role->as_string() : std::string(kRecipient);
  VORN_TRY(c.chainid, get_u64(args, "chainid"));
  VORN_TRY(c.contracts, get_field(args, "contracts"));
  VORN_TRY(c.payer, party_from(args, "payer"));
  VORN_TRY(c.payee, party_from(args, "payee"));
  VORN_TRY(c.txn, get_field(args, "txn"));
  VORN_TRY(c.nonces, get_field(args, "nonces"));
  c.notes = notes_from(args);
  VORN_TRY(c.value, get_u128(*c.txn, "value"));
  VORN_TRY(c.block_time, get_u64(*c.txn, "block_time"));
  VORN_TRY(c.txhash, get_str(*c.txn, "txhash"));
  VORN_TRY(c.block, get_u64(*c.txn, "block"));
  VORN_TRY(c.logindex, get_u64(*c.txn, "logindex"));

  if (c.kind == "eoa-pub") return build_eoa_pub(c);
  if (c.kind == "eoa-priv") return build_eoa_priv(c, args);
  if (c.kind == "note-a1" || c.kind == "note-a2" || c.kind == "note-b1") return build_note(c, args);
  return err(kUnknownReceiptKind);
}

Result<std::string> build_receipt(std::string_view args_json) {
  VORN_TRY(Json args, parse_args(args_json));
  VORN_TRY(Json receipt, build_receipt_value(args));
  return canonical_json_value(receipt);
}

}  // namespace vorn::wallet
