#include "vorn/wallet/receipts/check_parts.h"

#include "vorn/crypto/words.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/group_args.h"

namespace vorn::wallet::receipts {

namespace {

// note kinds
constexpr std::string_view kMissingNotePayload = ": missing Identity-M note payload";
constexpr std::string_view kFlavorMismatch = ": opening flavor mismatch";
constexpr std::string_view kCmNotInBatch = ": opening cm not in minted batch";
constexpr std::string_view kMissingIssuerSig = ": missing issuer batch Schnorr";
constexpr std::string_view kIssuerSigFails = ": issuer batch binding fails";
constexpr std::string_view kNullifierMismatch = ": nullifier mismatch";
constexpr std::string_view kValueNotFace = ": txn value != face";
constexpr std::string_view kFaceNotValue = ": face != note value";

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

// What a note receipt's proof states about the spend: read after the issuer's
// authority, checked against the opening and the transaction.
struct Spend {
  W nullifier, face;
};
constexpr auto kSpendKeys = std::tuple{Key{"nullifier", get_w, &Spend::nullifier}, Key{"face", get_w, &Spend::face}};

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
      if (ct != legs[i].ct) return reason(type, kRandomnessMismatch);
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

// The Merkle path of a receipt's mailbox binding: "siblings" (hex strings), then
// "indexBits" (integers), with the receipt's own messages. This is not path_from
// (records.h), the reader of wallet arguments, on purpose: that one refuses an index
// bit other than 0 or 1 ("args: index bit must be 0 or 1"), while a receipt answers
// only with the receipt messages, so here an integer bit is taken as it folds, any
// nonzero value meaning a right child.
Result<PathRecord> receipt_path(const Json& binding) {
  const Json* sib_json = binding.find("siblings");
  const JsonArray* sibs = sib_json ? sib_json->as_array() : nullptr;
  if (!sibs) return err(kMailboxSiblings);
  PathRecord path;
  path.siblings.reserve(sibs->size());
  for (const Json& s : *sibs) {
    VORN_TRY(W w, hex_string(s, kSiblingNotHexMsg));
    path.siblings.push_back(w);
  }
  const Json* bits_json = binding.find("indexBits");
  const JsonArray* bits_arr = bits_json ? bits_json->as_array() : nullptr;
  if (!bits_arr) return err(kMailboxIndexBits);
  path.bits.reserve(bits_arr->size());
  for (const Json& b : *bits_arr) {
    VORN_TRY(U128 bit, as_u128(b));
    path.bits.push_back(bit != 0);
  }
  return path;
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
  VORN_TRY(const PathRecord path, receipt_path(*binding));
  VORN_TRY(W root, notes::IdentityMerkleTree::fold_path(leaf, path.siblings, path.bits));
  VORN_TRY(W stated_root, get_w(*binding, "root"));
  if (root != stated_root) return reason(kMailboxRoot);
  return Reason();
}

}  // namespace

Reason reason(std::string_view a, std::string_view b, std::string_view c, std::string_view d) {
  std::string s;
  s.reserve(a.size() + b.size() + c.size() + d.size());
  s.append(a).append(b).append(c).append(d);
  return s;
}

W w_from_u128(U128 v) {
  W out;
  for (int i = 0; i < 16; ++i) out.b[31 - i] = static_cast<uint8_t>(v >> (8 * i));
  return out;
}

namespace {

// The members a ReceiptParty has from Party are named through the derived type.
template <class T>
using PartyKey = Key<ReceiptParty, T>;
constexpr auto kReceiptPartyKeys = std::tuple{
    PartyKey<W>{"addr", get_w, &ReceiptParty::addr},
    PartyKey<std::string>{"kind", get_str, &ReceiptParty::kind},
    PartyKey<std::string>{"identity", get_str, &ReceiptParty::identity},
    PartyKey<G1Words>{"M", get_g1, &ReceiptParty::m},
    PartyKey<G1Words>{"pk", get_g1, &ReceiptParty::pk},
    PartyKey<std::optional<CiphertextW>>{"E_addr", opt_ct, &ReceiptParty::e}};

// A verifiable-decryption record's fields; its "proof" is looked up first and read
// last.
struct VdFields {
  const Json* proof = nullptr;
  CiphertextW e_ct;
  G1Words m_named;
  W account;
  U128 chainid = 0;
};
constexpr auto kVdKeys = std::tuple{
    Key{"proof", get_field, &VdFields::proof},
    Key{"E_ct", get_ct, &VdFields::e_ct},
    Key{"M_named", get_g1, &VdFields::m_named},
    Key{"account", get_w, &VdFields::account},
    Key{"chainid", get_u128, &VdFields::chainid}};

}  // namespace

Result<ReceiptParty> party(const Json& core, std::string_view key) {
  VORN_TRY(const Json* p, get_field(core, key));
  return read_keys(*p, kReceiptPartyKeys);
}

Result<VdCheck> vd_from_record(const Json& rec) {
  VORN_TRY(const VdFields f, read_keys(rec, kVdKeys));
  VORN_TRY(VdRecord proof, vd_from(*f.proof));
  return VdCheck{f.e_ct, f.m_named, f.account, f.chainid, proof};
}

Result<bool> vd_verifies(const VdCheck& v, const G1Words& pk) {
  return crypto::words::verifiable_decrypt_verify(v.e_ct, pk, v.m_named, v.proof,
                                                  v.account, w_from_u128(v.chainid));
}

Result<W> hex_string(const Json& v, std::string_view not_string) {
  const std::string* s = v.as_string();
  if (!s) return err(not_string);
  return w_from_hex(*s);
}

Result<Reason> batch_signature(NoteCheck& n) {
  const Json* sig_json = get_opt(n.proof, "issuer_sig");
  if (!sig_json) return reason(n.kind.name, kMissingIssuerSig);
  VORN_TRY(SchnorrRecord sig, schnorr_from(*sig_json));
  VORN_TRY(bool signed_batch, crypto::words::issuer_schnorr_verify(n.in.payer.pk, sig,
                                                                   hash::batch_commitment(n.cms), n.in.payer.addr,
                                                                   w_from_u128(n.in.chainid)));
  if (!signed_batch) return reason(n.kind.name, kIssuerSigFails);
  return Reason();
}

Result<Reason> verify_note(const Kind& kind, const Checked& in) {
  const std::string_view type = kind.name;
  const NoteFlavor& flavor = *kind.note;
  const Json* proof = get_opt(in.core, "proof");
  if (!proof) return reason(type, kMissingProof);
  // The payload is present whenever the key holds a value: an empty object is the
  // payload of a recipient-side B1 receipt, which discloses nothing.
  const Json* note = in.core.find("note");
  if (!note || note->is_null()) return reason(type, kMissingNotePayload);
  NoteCheck n(in, kind, *proof, *note);

  VORN_TRY(n.opening, (record_at<NoteOpening, opening_from>(*proof, "opening")));
  if (n.opening.flavor != flavor.flavor) return reason(type, kFlavorMismatch);

  VORN_TRY(const JsonArray* cms_json, get_array(*proof, "cms"));
  n.cms.reserve(cms_json->size());
  for (const Json& c : *cms_json) {
    VORN_TRY(W cm, as_w(c));
    n.cms.push_back(cm);
  }
  const NoteOpening& o = n.opening;
  VORN_TRY(W cm, notes::note_commitment(o.flavor, o.v, o.rho, o.id_hash, o.predicate));
  bool minted = false;
  for (const W& c : n.cms) minted |= c == cm;
  if (!minted) return reason(type, kCmNotInBatch);

  n.m_iss = hash::identity_scalar(in.payer.identity);
  VORN_REASON(flavor.identity(n));

  if (flavor.addressed()) {
    const Leg legs[2] = {{kNoteLeg, n.e_note, mul_g_words(o.v)},
                         {flavor.second_leg, n.second, flavor.second_names_payer ? in.payer.m : in.payee.m}};
    VORN_REASON(check_addressed_legs(type, *note, in.role, in.chainid, in.payee, legs));
    VORN_TRY(Reason mailbox, check_mailbox_binding(*note, in.payee.m));
    if (mailbox) return reason(type, ": ", *mailbox);
  }

  VORN_REASON(flavor.authority(n));

  VORN_TRY(const Spend spend, read_keys(*proof, kSpendKeys));
  const W& face = spend.face;
  VORN_TRY(W nf, notes::nullifier(o.rho, o.id_hash));
  if (nf != spend.nullifier) return reason(type, kNullifierMismatch);
  VORN_TRY(const Json* txn, get_field(in.core, "txn"));
  VORN_TRY(U128 value, get_u128(*txn, "value"));
  if (w_from_u128(value) != face) return reason(type, kValueNotFace);
  if (face != o.v) return reason(type, kFaceNotValue);

  if (flavor.issuer_side && in.role == kIssuer) VORN_REASON(flavor.issuer_side(n));
  return Reason();
}

}  // namespace vorn::wallet::receipts
