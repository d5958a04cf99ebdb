#include "vorn/wallet/verify.h"

#include <cstdint>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/group.h"
#include "vorn/crypto/words.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/records.h"

namespace vorn::wallet {

namespace {

// ---- reasons and messages. A leading "{}" of a message is the receipt's type; the
// parts below are joined around it.

constexpr std::string_view kRecipient = "recipient";
constexpr std::string_view kIssuer = "issuer";
constexpr std::string_view kUnverifiedIssuer = "UNVERIFIED ISSUER";
constexpr std::string_view kUnverifiedRecipient = "UNVERIFIED RECIPIENT";
constexpr std::string_view kQualifierJoin = " + ";

constexpr std::string_view kIssuerSideNotesOnly = ": issuer-side receipts exist for Notes only";
constexpr std::string_view kUnknownRolePrefix = "unknown receipt role: ";
constexpr std::string_view kUnknownTypePrefix = "unknown receipt type: ";
constexpr std::string_view kPayerPointMismatch = "payer M != keccak(identity)\u00b7G";
constexpr std::string_view kPayeePointMismatch = "payee M != keccak(identity)\u00b7G";
constexpr std::string_view kMissingPayeeSelfNaming = "missing payee self-naming proof";
constexpr std::string_view kMissingPayerSelfNaming = "missing payer self-naming proof";
constexpr std::string_view kPayeeSelfNamingPrefix = "payee self-naming: ";
constexpr std::string_view kPayerSelfNamingPrefix = "payer self-naming: ";

// self_naming_ok
constexpr std::string_view kChainidMismatch = "chainid mismatch";
constexpr std::string_view kAccountMismatch = "account mismatch";
constexpr std::string_view kNamedMMismatch = "named M mismatch";
constexpr std::string_view kNotRegisteredE = "ciphertext is not the registered E_addr";
constexpr std::string_view kVdFails = "vd fails";

// eoa-priv
constexpr std::string_view kMissingProof = ": missing proof";
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

// note types
constexpr std::string_view kMissingNotePayload = ": missing Identity-M note payload";
constexpr std::string_view kFlavorMismatch = ": opening flavor mismatch";
constexpr std::string_view kCmNotInBatch = ": opening cm not in minted batch";
constexpr std::string_view kIdHashB1 = "note-b1: idHash != id_hash_b1(m_iss)";
constexpr std::string_view kIdHashA1 = "note-a1: idHash != id_hash_a1(eNote, m_iss)";
constexpr std::string_view kA2MissingT = "note-a2: missing T";
constexpr std::string_view kIdHashA2 = "note-a2: idHash != id_hash_a2(eNote, eIss, T)";
constexpr std::string_view kMissingIssuerSig = ": missing issuer batch Schnorr";
constexpr std::string_view kIssuerSigFails = ": issuer batch binding fails";
constexpr std::string_view kA2IssuerEMissing = "note-a2: issuer E_addr missing";
constexpr std::string_view kA2BindingFails = "note-a2: issuer binding fails";
constexpr std::string_view kA2BindingT = "note-a2: binding T != committed T";
constexpr std::string_view kA2NoGamma = "note-a2: binding carried without gamma";
constexpr std::string_view kA2NotNamedIssuer = "note-a2: the binding's Identity is not the named issuer";
constexpr std::string_view kNullifierMismatch = ": nullifier mismatch";
constexpr std::string_view kValueNotFace = ": txn value != face";
constexpr std::string_view kFaceNotValue = ": face != note value";
constexpr std::string_view kB1IssuerNeeds = "note-b1: issuer receipt needs eDepForIss + vd_payee";
constexpr std::string_view kB1VdContext = "note-b1: vd_payee context mismatch";
constexpr std::string_view kB1VdCiphertext = "note-b1: vd_payee ciphertext != eDepForIss";
constexpr std::string_view kB1VdNamesOther = "note-b1: vd_payee names a different M";
constexpr std::string_view kB1VdFails = "note-b1: vd_payee fails";

// check_addressed_legs: "{}: ..." and "{}: {} ..." with the leg's name second.
constexpr std::string_view kMissingPkRecv = ": missing pkRecv";
constexpr std::string_view kIssuerNeedsRandomness = ": issuer receipt needs the mint randomness (rNote, rId)";
constexpr std::string_view kRNoteNotHex = "rNote must be hex";
constexpr std::string_view kRIdNotHex = "rId must be hex";
constexpr std::string_view kRandomnessMismatch = ": the disclosed mint randomness does not produce these ciphertexts";
constexpr std::string_view kRecipientNeedsLeg = ": recipient receipt needs ";
constexpr std::string_view kLegContext = " context mismatch";
constexpr std::string_view kLegOtherCiphertext = " is about a different ciphertext";
constexpr std::string_view kLegWrongPlaintext = " names the wrong plaintext";
constexpr std::string_view kLegFails = " does not verify under pkRecv";

// check_mailbox_binding
constexpr std::string_view kMailboxLeaf = "mailbox binding: leaf does not commit (M_rec, pkRecv, salt)";
constexpr std::string_view kMailboxRoot = "mailbox binding: path does not fold to the stated root";
constexpr std::string_view kSiblingNotHexMsg = "sibling must be hex";
constexpr std::string_view kMailboxSiblings = "mailbox binding: siblings must be an array";
constexpr std::string_view kMailboxIndexBits = "mailbox binding: indexBits must be an array";

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

// A failed check's reason, or nothing when the check passed.
using Reason = std::optional<std::string>;

Reason reason(std::string_view a, std::string_view b = {}, std::string_view c = {}, std::string_view d = {}) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size() + d.size());
  s.append(a).append(b).append(c).append(d);
  return s;
}

// Returns from the enclosing function when `expr` fails or gives a reason.
#define VORN_REASON(expr)              \
  do {                                 \
    VORN_TRY(Reason vorn_reason_, expr); \
    if (vorn_reason_) return vorn_reason_; \
  } while (0)

W w_from_u128(U128 v) {
  W out;
  for (int i = 0; i < 16; ++i) out.b[31 - i] = static_cast<uint8_t>(v >> (8 * i));
  return out;
}

// k*G as words. k is public here (the scalar of an identity text, a note value), so
// the point is normalised with a variable-time inversion; the fixed-base table
// makes the product itself the fastest on offer.
G1Words gen_mul(const W& k) {
  return bn254::w_from_g1(bn254::g1_mul_gen_ct(bn254::Fr::from_w_reduce(k)).to_affine_var());
}

bool is_note_type(std::string_view type) { return type == "note-a1" || type == "note-a2" || type == "note-b1"; }

// ---- reading

// A party as a receipt carries it.
struct ReceiptParty {
  W addr;
  std::string kind;
  std::string identity;
  G1Words m;
  G1Words pk;
  std::optional<CiphertextW> e_addr;
};

Result<ReceiptParty> party(const Json& core, std::string_view key) {
  VORN_TRY(const Json* p, get_field(core, key));
  ReceiptParty out;
  VORN_TRY(out.addr, get_w(*p, "addr"));
  VORN_TRY(out.kind, get_str(*p, "kind"));
  VORN_TRY(out.identity, get_str(*p, "identity"));
  VORN_TRY(out.m, get_g1(*p, "M"));
  VORN_TRY(out.pk, get_g1(*p, "pk"));
  VORN_TRY(out.e_addr, opt_ct(*p, "E_addr"));
  return out;
}

// A verifiable-decryption record: the ciphertext, the point it names, the account
// and chain it is bound to, and the proof.
struct VdCheck {
  CiphertextW e_ct;
  G1Words m_named;
  W account;
  U128 chainid = 0;
  VdRecord proof;
};

Result<VdCheck> vd_from_record(const Json& rec) {
  VdCheck out;
  VORN_TRY(const Json* proof, get_field(rec, "proof"));
  VORN_TRY(out.e_ct, get_ct(rec, "E_ct"));
  VORN_TRY(out.m_named, get_g1(rec, "M_named"));
  VORN_TRY(out.account, get_w(rec, "account"));
  VORN_TRY(out.chainid, get_u128(rec, "chainid"));
  VORN_TRY(out.proof, vd_from(*proof));
  return out;
}

// Whether the record's proof verifies under `pk`, over its own fields.
Result<bool> vd_verifies(const VdCheck& v, const G1Words& pk) {
  return crypto::words::verifiable_decrypt_verify(ct_words(v.e_ct), pk, v.m_named, v.proof,
                                                  v.account, w_from_u128(v.chainid));
}

// A value that must be a hex string: `not_string` when it is not one, then the
// hex-word errors.
Result<W> hex_string(const Json& v, std::string_view not_string) {
  const std::string* s = v.as_string();
  if (!s) return err(not_string);
  return w_from_hex(*s);
}

// ---- checks

Reason check_point_identity(const ReceiptParty& p, std::string_view mismatch) {
  if (gen_mul(hash::identity_scalar(p.identity)) != p.m) return std::string(mismatch);
  return std::nullopt;
}

// The self-naming proof of `p`: its registered ciphertext opens to its own M under
// its key, bound to its address and this chain.
Result<Reason> self_naming_ok(const Json& record, const ReceiptParty& p, U128 chainid) {
  VORN_TRY(VdCheck v, vd_from_record(record));
  if (v.chainid != chainid) return reason(kChainidMismatch);
  if (v.account != p.addr) return reason(kAccountMismatch);
  if (v.m_named != p.m) return reason(kNamedMMismatch);
  if (!p.e_addr || v.e_ct != *p.e_addr) return reason(kNotRegisteredE);
  VORN_TRY(bool ok, vd_verifies(v, p.pk));
  if (!ok) return reason(kVdFails);
  return Reason();
}

Result<Reason> verify_eoa_priv(const Json& core, U128 chainid, const ReceiptParty& payer, const ReceiptParty& payee) {
  const Json* proof = get_opt(core, "proof");
  if (!proof) return reason("eoa-priv", kMissingProof);
  const Json* approve = get_opt(*proof, "approve");
  const Json* vd_payer = get_opt(*proof, "vd_payer");
  if (!approve || !vd_payer) return reason(kEoaPrivMissingParts);

  VORN_TRY(CiphertextW e_a, get_ct(*approve, "E_a"));
  VORN_TRY(CiphertextW e_b, get_ct(*approve, "E_b"));
  VORN_TRY(G1Words pk_a, get_g1(*approve, "pk_a"));
  VORN_TRY(G1Words pk_b, get_g1(*approve, "pk_b"));
  VORN_TRY(W sender, get_w(*approve, "sender"));
  VORN_TRY(W spender, get_w(*approve, "spender"));
  VORN_TRY(U128 approve_chain, get_u128(*approve, "chainid"));
  VORN_TRY(const Json* contracts, get_field(core, "contracts"));
  VORN_TRY(W registry, get_w(*contracts, "registry"));
  VORN_TRY(const Json* cp_rec, get_field(*approve, "proof"));
  VORN_TRY(CpRecord cp, cp_from(*cp_rec));
  VORN_TRY(bool approved, crypto::words::chaum_pedersen_verify(ct_words(e_a), ct_words(e_b), pk_a,
                                                               pk_b, cp, sender, spender,
                                                               w_from_u128(approve_chain), registry));
  if (!approved) return reason(kEoaPrivApproveFails);

  VORN_TRY(VdCheck v, vd_from_record(*vd_payer));
  VORN_TRY(bool opened, vd_verifies(v, payee.pk));
  if (!opened) return reason(kEoaPrivVdPayerFails);
  if (v.m_named != payer.m) return reason(kEoaPrivNamedM);

  if (!payer.e_addr || e_a != *payer.e_addr || pk_a != payer.pk || pk_b != payee.pk || sender != payer.addr ||
      spender != payee.addr || approve_chain != chainid)
    return reason(kEoaPrivApproveParties);
  if (v.e_ct != e_b || v.account != payee.addr || v.chainid != chainid) return reason(kEoaPrivVdPayerUnbound);
  return Reason();
}

// One verifiable-decryption leg of an addressed note.
struct Leg {
  std::string_view name;
  CiphertextW ct;
  G1Words plain;
};

Result<Reason> check_addressed_legs(std::string_view type, const Json& note, std::string_view role, U128 chainid,
                                    const ReceiptParty& payee, const Leg (&legs)[2]) {
  const Json* pk_json = get_opt(note, "pkRecv");
  if (!pk_json) return reason(type, kMissingPkRecv);
  VORN_TRY(G1Words pk_recv, as_g1(*pk_json));

  if (role == kIssuer) {
    const Json* r_note_json = get_opt(note, "rNote");
    const Json* r_id_json = get_opt(note, "rId");
    if (!r_note_json || !r_id_json) return reason(type, kIssuerNeedsRandomness);
    VORN_TRY(W r_note, hex_string(*r_note_json, kRNoteNotHex));
    VORN_TRY(W r_id, hex_string(*r_id_json, kRIdNotHex));
    const W randomness[2] = {r_note, r_id};
    for (int i = 0; i < 2; ++i) {
      VORN_TRY(crypto::words::CtWords ct,
               crypto::words::elgamal_encrypt(legs[i].plain, pk_recv, randomness[i]));
      if (ct != ct_words(legs[i].ct)) return reason(type, kRandomnessMismatch);
    }
    return Reason();
  }

  for (const Leg& leg : legs) {
    const Json* rec = get_opt(note, leg.name);
    if (!rec) return reason(type, kRecipientNeedsLeg, leg.name);
    VORN_TRY(VdCheck v, vd_from_record(*rec));
    if (v.chainid != chainid || v.account != payee.addr) return reason(type, ": ", leg.name, kLegContext);
    if (v.e_ct != leg.ct) return reason(type, ": ", leg.name, kLegOtherCiphertext);
    if (v.m_named != leg.plain) return reason(type, ": ", leg.name, kLegWrongPlaintext);
    VORN_TRY(bool ok, vd_verifies(v, pk_recv));
    if (!ok) return reason(type, ": ", leg.name, kLegFails);
  }
  return Reason();
}

// The mailbox binding of the note, when it carries one: the leaf commits (M_rec,
// pkRecv, salt) and its path folds to the stated root.
Result<Reason> check_mailbox_binding(const Json& note, const G1Words& m_rec) {
  const Json* binding = get_opt(note, "binding");
  if (!binding) return Reason();
  VORN_TRY(G1Words pk_recv, get_g1(note, "pkRecv"));
  VORN_TRY(W salt, get_w(*binding, "salt"));
  VORN_TRY(W leaf, notes::mailbox_leaf(m_rec, pk_recv, salt));
  VORN_TRY(W stated_leaf, get_w(*binding, "leaf"));
  if (leaf != stated_leaf) return reason(kMailboxLeaf);

  const Json* sib_json = binding->find("siblings");
  const JsonArray* sibs = sib_json ? sib_json->as_array() : nullptr;
  if (!sibs) return err(kMailboxSiblings);
  std::vector<W> siblings;
  siblings.reserve(sibs->size());
  for (const Json& s : *sibs) {
    VORN_TRY(W w, hex_string(s, kSiblingNotHexMsg));
    siblings.push_back(w);
  }
  const Json* bits_json = binding->find("indexBits");
  const JsonArray* bits_arr = bits_json ? bits_json->as_array() : nullptr;
  if (!bits_arr) return err(kMailboxIndexBits);
  std::vector<uint8_t> bits;
  bits.reserve(bits_arr->size());
  for (const Json& b : *bits_arr) {
    VORN_TRY(U128 bit, as_u128(b));
    bits.push_back(bit != 0);
  }
  VORN_TRY(W root, notes::IdentityMerkleTree::fold_path(leaf, siblings, bits));
  VORN_TRY(W stated_root, get_w(*binding, "root"));
  if (root != stated_root) return reason(kMailboxRoot);
  return Reason();
}

// C - T + gamma*H: the identity an A2 binding carries (T = r'*pk_rec + gamma*H).
Result<G1Words> binding_identity(const G1Words& c, const G1Words& t, const W& gamma) {
  VORN_TRY(bn254::G1Affine c_pt, bn254::g1_from_w(c));
  VORN_TRY(bn254::G1Affine t_pt, bn254::g1_from_w(t));
  VORN_TRY(bn254::G1Affine h, crypto::pedersen_h());
  const bn254::G1Affine points[3] = {c_pt, t_pt, h};
  const bn254::Fr scalars[3] = {bn254::Fr::one(), -bn254::Fr::one(), bn254::Fr::from_w_reduce(gamma)};
  return bn254::w_from_g1(bn254::g1_msm_var(points, scalars).to_affine_var());
}

// The note types, from "proof" and "note" onwards.
Result<Reason> verify_note(const Json& core, std::string_view type, std::string_view role, U128 chainid,
                           const ReceiptParty& payer, const ReceiptParty& payee) {
  const Json* proof = get_opt(core, "proof");
  if (!proof) return reason(type, kMissingProof);
  // The payload is present whenever the key holds a value: an empty object is the
  // payload of a recipient-side B1 receipt, which discloses nothing.
  const Json* note = core.find("note");
  if (!note || note->is_null()) return reason(type, kMissingNotePayload);

  VORN_TRY(const Json* opening_json, get_field(*proof, "opening"));
  VORN_TRY(NoteOpening opening, opening_from(*opening_json));
  const uint64_t flavor = type == "note-a1" ? notes::kFlavorA1 : type == "note-a2" ? notes::kFlavorA2
                                                                                    : notes::kFlavorB1;
  if (opening.flavor != flavor) return reason(type, kFlavorMismatch);

  VORN_TRY(const JsonArray* cms_json, get_array(*proof, "cms"));
  std::vector<W> cms;
  cms.reserve(cms_json->size());
  for (const Json& c : *cms_json) {
    VORN_TRY(W cm, as_w(c));
    cms.push_back(cm);
  }
  VORN_TRY(W cm, notes::note_commitment(opening.flavor, opening.v, opening.rho, opening.id_hash, opening.predicate));
  bool minted = false;
  for (const W& c : cms) minted |= c == cm;
  if (!minted) return reason(type, kCmNotInBatch);

  const W m_iss = hash::identity_scalar(payer.identity);
  CiphertextW e_note, second;
  G1Words t_point;
  if (type == "note-b1") {
    VORN_TRY(W id_hash, notes::id_hash_b1(m_iss));
    if (id_hash != opening.id_hash) return reason(kIdHashB1);
  } else if (type == "note-a1") {
    VORN_TRY(e_note, get_ct(*note, "eNote"));
    VORN_TRY(second, get_ct(*note, "eRec"));
    VORN_TRY(W id_hash, notes::id_hash_a1(e_note, m_iss));
    if (id_hash != opening.id_hash) return reason(kIdHashA1);
  } else {
    VORN_TRY(e_note, get_ct(*note, "eNote"));
    VORN_TRY(second, get_ct(*note, "eIss"));
    const Json* t_json = get_opt(*note, "T");
    if (!t_json) return reason(kA2MissingT);
    VORN_TRY(t_point, as_g1(*t_json));
    VORN_TRY(W id_hash, notes::id_hash_a2(e_note, second, t_point));
    if (id_hash != opening.id_hash) return reason(kIdHashA2);
  }

  if (type != "note-b1") {
    const bool a1 = type == "note-a1";
    const Leg legs[2] = {{"vdNote", e_note, gen_mul(opening.v)},
                         {a1 ? "vdRec" : "vdIss", second, a1 ? payee.m : payer.m}};
    VORN_REASON(check_addressed_legs(type, *note, role, chainid, payee, legs));
    VORN_TRY(Reason mailbox, check_mailbox_binding(*note, payee.m));
    if (mailbox) return reason(type, ": ", *mailbox);
  }

  const W chain = w_from_u128(chainid);
  if (type != "note-a2") {
    const Json* sig_json = get_opt(*proof, "issuer_sig");
    if (!sig_json) return reason(type, kMissingIssuerSig);
    VORN_TRY(SchnorrRecord sig, schnorr_from(*sig_json));
    VORN_TRY(bool signed_batch, crypto::words::issuer_schnorr_verify(payer.pk, sig,
                                                                     hash::batch_commitment(cms), payer.addr, chain));
    if (!signed_batch) return reason(type, kIssuerSigFails);
  } else if (const Json* binding_json = get_opt(core, "issuer_binding")) {
    VORN_TRY(BindingRecord binding, binding_from(*binding_json));
    if (!payer.e_addr) return reason(kA2IssuerEMissing);
    VORN_TRY(bool bound, crypto::words::issuer_reenc_verify(payer.pk, ct_words(*payer.e_addr),
                                                            ct_words(second), binding, payer.addr, chain));
    if (!bound) return reason(kA2BindingFails);
    if (binding.T != t_point) return reason(kA2BindingT);
    const Json* gamma_json = get_opt(*note, "gamma");
    if (!gamma_json) return reason(kA2NoGamma);
    VORN_TRY(W gamma, as_w(*gamma_json));
    VORN_TRY(G1Words carried, binding_identity(second.c, t_point, gamma));
    if (carried != payer.m) return reason(kA2NotNamedIssuer);
  }

  VORN_TRY(W stated_nullifier, get_w(*proof, "nullifier"));
  VORN_TRY(W face, get_w(*proof, "face"));
  VORN_TRY(W nf, notes::nullifier(opening.rho, opening.id_hash));
  if (nf != stated_nullifier) return reason(type, kNullifierMismatch);
  VORN_TRY(const Json* txn, get_field(core, "txn"));
  VORN_TRY(U128 value, get_u128(*txn, "value"));
  if (w_from_u128(value) != face) return reason(type, kValueNotFace);
  if (face != opening.v) return reason(type, kFaceNotValue);

  if (type == "note-b1" && role == kIssuer) {
    const Json* e_dep_json = get_opt(*note, "eDepForIss");
    const Json* vd_payee = get_opt(core, "vd_payee");
    if (!e_dep_json || !vd_payee) return reason(kB1IssuerNeeds);
    VORN_TRY(VdCheck v, vd_from_record(*vd_payee));
    if (v.chainid != chainid || v.account != payer.addr) return reason(kB1VdContext);
    VORN_TRY(CiphertextW e_dep_for_iss, as_ct(*e_dep_json));
    if (v.e_ct != e_dep_for_iss) return reason(kB1VdCiphertext);
    if (v.m_named != payee.m) return reason(kB1VdNamesOther);
    VORN_TRY(bool ok, vd_verifies(v, payer.pk));
    if (!ok) return reason(kB1VdFails);
  }
  return Reason();
}

}  // namespace

Json rcpt_json(const RcptResult& r) {
  Json o = Json::object();
  o.set("identity_M", r.identity_m ? g1_hex(*r.identity_m) : Json::null());
  o.set("ok", Json::boolean(r.ok));
  o.set("reason", Json::string(r.reason));
  o.set("value", r.value ? Json::string(scalar_hex(*r.value)) : Json::null());
  return o;
}

Result<RcptResult> verify_receipt_core(const Json& core) {
  VORN_TRY(std::string type, get_str(core, "type"));
  std::string role(kRecipient);
  if (const Json* r = get_opt(core, "role")) {
    VORN_TRY(role, as_str(*r));
  }
  VORN_TRY(U128 chainid, get_u128(core, "chainid"));

  if (role == kIssuer) {
    if (!is_note_type(type)) return RcptResult::fail(type + std::string(kIssuerSideNotesOnly));
  } else if (role != kRecipient) {
    return RcptResult::fail(std::string(kUnknownRolePrefix) + role);
  }

  VORN_TRY(ReceiptParty payer, party(core, "payer"));
  VORN_TRY(ReceiptParty payee, party(core, "payee"));
  if (Reason r = check_point_identity(payer, kPayerPointMismatch)) return RcptResult::fail(*r);
  if (Reason r = check_point_identity(payee, kPayeePointMismatch)) return RcptResult::fail(*r);

  if (role == kRecipient) {
    const Json* vd = get_opt(core, "payee_vd");
    if (!vd) return RcptResult::fail(std::string(kMissingPayeeSelfNaming));
    VORN_TRY(Reason r, self_naming_ok(*vd, payee, chainid));
    if (r) return RcptResult::fail(std::string(kPayeeSelfNamingPrefix) + *r);
  } else if (payer.kind == "private") {
    const Json* vd = get_opt(core, "payer_vd");
    if (!vd) return RcptResult::fail(std::string(kMissingPayerSelfNaming));
    VORN_TRY(Reason r, self_naming_ok(*vd, payer, chainid));
    if (r) return RcptResult::fail(std::string(kPayerSelfNamingPrefix) + *r);
  }

  Reason failed;
  if (type == "eoa-pub") {
    // The parties and the payee's self-naming are all there is to check.
  } else if (type == "eoa-priv") {
    VORN_TRY(failed, verify_eoa_priv(core, chainid, payer, payee));
  } else if (is_note_type(type)) {
    VORN_TRY(failed, verify_note(core, type, role, chainid, payer, payee));
  } else {
    return RcptResult::fail(std::string(kUnknownTypePrefix) + type);
  }
  if (failed) return RcptResult::fail(std::move(*failed));

  std::string qualifiers;
  auto qualify = [&](std::string_view q) {
    if (!qualifiers.empty()) qualifiers += kQualifierJoin;
    qualifiers += q;
  };
  if (type == "note-a2" && !get_opt(core, "issuer_binding")) qualify(kUnverifiedIssuer);
  if ((type == "note-a1" || type == "note-a2") && role == kIssuer) {
    const Json* note = core.find("note");
    if (!note || !get_opt(*note, "binding")) qualify(kUnverifiedRecipient);
  }
  VORN_TRY(const Json* txn, get_field(core, "txn"));
  VORN_TRY(U128 value, get_u128(*txn, "value"));
  return RcptResult{true, qualifiers.empty() ? std::string(kValid) : qualifiers, payer.m, w_from_u128(value)};
}

Result<std::string> verify_receipt(std::string_view core_text) {
  Result<Json> core = parse_json(core_text);
  if (!core) return err(kCoreNotJson);
  if (!core->is_object()) return err(kCoreNotObject);
  VORN_TRY(RcptResult r, verify_receipt_core(*core));
  return compact_json(rcpt_json(r));
}

}  // namespace vorn::wallet
