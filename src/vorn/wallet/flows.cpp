#include "vorn/wallet/flows.h"

#include <optional>
#include <vector>

#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/words.h"
#include "vorn/hash/pedersen.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/call.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/records.h"
#include "vorn/wallet/verify.h"

namespace vorn::wallet {

namespace {

namespace cw = crypto::words;
using crypto::Ciphertext;

Json scalar(const W& w) { return Json::string(scalar_hex(w)); }

// v*G, the point a note's value is encrypted as. Constant time in v.
G1Affine value_point(const W& v) { return mul_g_ct(fr_of(v)).to_affine(); }

// The two randomnesses of a mint: both nonzero and different mod r. Constant time
// up to the answer.
Status check_mint_randomness(const Fr& r_note, const Fr& r_prime) {
  if (r_note.is_zero() | r_prime.is_zero() | (r_note - r_prime).is_zero()) return err(kUnsafeMintRandomness);
  return ok_status();
}

// ---- mint

// The note fields every mint reads after its keys.
struct NoteFields {
  W v, rho, predicate;
};

// The opening record and commitment of a minted note; the commitment's range
// checks apply.
struct Committed {
  W cm;
  Json opening;
};

Result<Committed> commit(uint64_t flavor, const NoteFields& n, const W& id_hash) {
  VORN_TRY(const W cm, notes::note_commitment(flavor, n.v, n.rho, id_hash, n.predicate));
  return Committed{cm, opening_json(NoteOpening{flavor, n.v, n.rho, id_hash, n.predicate})};
}

// ---- recipient receipts and their verification

// The registry leaves of the tree-backed calls, read straight into words.
constexpr std::string_view kTreeLeavesPath[] = {"tree", "leaves"};
constexpr std::span<const std::string_view> kTreeWordPaths[] = {kTreeLeavesPath};

// An identity tree under `key`: the record object, then its reader. The tree reads
// leaves held by `args` and must not outlive it.
Result<notes::IdentityMerkleTree> tree_at(const Json& args, std::string_view key) {
  VORN_TRY(const Json* rec, get_field(args, key));
  return tree_from(*rec);
}

// The identity point's leaf is in the tree. No root here: the receipt records what
// the tree it was given holds.
Result<bool> holds(const notes::IdentityMerkleTree& tree, const G1Words& m) { return tree.contains_identity(m); }

// The fields every recipient receipt shares, as the maker computes them.
struct Recipient {
  W k;
  G1Words m_rec;
  W issuer, chainid;  // reduced mod r: the words the proof binds are the words written
  W t_vd;
};

// The receiving key is nonzero mod r. Constant time up to the answer.
Status check_receiving_key(const Recipient& r) {
  if (fr_of(r.k).is_zero()) return err(kZeroReceivingKey);
  return ok_status();
}

// The proof that `ct` decrypts under k to `m`, bound to (issuer, chainid).
// Decodes R, C, then M (the prover's order).
Result<VdRecord> prove_decryption(const Recipient& r, const CiphertextW& ct, const G1Words& m) {
  VORN_CHECK(check_nonces({fr_of(r.t_vd)}));
  return cw::verifiable_decrypt_prove(ct, r.k, m, r.issuer, r.chainid, r.t_vd);
}

// The receipt fields both flavors write.
Json recipient_receipt(const Recipient& r, const W& v, const VdRecord& vd) {
  Json o = Json::object();
  o.set("M_rec", g1_hex(r.m_rec));
  o.set("pk_recv", g1_hex(mul_g_words(r.k)));
  o.set("value", scalar(v));
  o.set("vd", vd_json(vd));
  o.set("issuer", Json::string(hex_w(r.issuer)));
  o.set("chainid", Json::string(hex_w(r.chainid)));
  return o;
}

// The registry view of a verifier: the tree and the trusted root. Every path of a
// tree folds to the tree's root, so an identity is a member under `identity_root`
// exactly when its leaf is in the tree and the tree's root is that root. The root
// (one pass over the levels) is computed once, and only when a member's leaf is
// found: an unknown identity is not a member under any root.
struct Registry {
  notes::IdentityMerkleTree tree;
  W identity_root;
  std::optional<bool> root_ok;

  Result<bool> member(const G1Words& m) {
    VORN_TRY(const bool present, tree.contains_identity(m));
    if (!present) return false;
    if (!root_ok) {
      VORN_TRY(const W root, tree.root());
      root_ok = root == identity_root;
    }
    return *root_ok;
  }
};

Result<Registry> read_registry(const Json& args) {
  VORN_TRY(notes::IdentityMerkleTree tree, tree_at(args, "tree"));
  VORN_TRY(const W identity_root, get_w(args, "identity_root"));
  return Registry{std::move(tree), identity_root, std::nullopt};
}

Json verdict(std::optional<std::string_view> failure, const G1Words& issuer_m, const G1Words& recipient_m,
             const W& value) {
  Json o = Json::object();
  o.set("valid", Json::boolean(!failure));
  o.set("reason", Json::string(std::string(failure ? *failure : kValid)));
  o.set("issuer_M", failure ? Json::null() : g1_hex(issuer_m));
  o.set("recipient_M", failure ? Json::null() : g1_hex(recipient_m));
  o.set("value", scalar(value));
  return o;
}

// Membership of the recipient, then of the issuer: the first failure's reason.
Result<std::optional<std::string_view>> membership(Registry& reg, const G1Words& m_rec, const G1Words& m_iss) {
  VORN_TRY(const bool rec_ok, reg.member(m_rec));
  if (!rec_ok) return std::optional<std::string_view>(kRecipientNotRegistered);
  VORN_TRY(const bool iss_ok, reg.member(m_iss));
  if (!iss_ok) return std::optional<std::string_view>(kIssuerNotRegistered);
  return std::optional<std::string_view>();
}

// ---- the calls' declared keys, in reading order

struct MintA1Args {
  const Json* nonces = nullptr;
  G1Words m_rec, pk_recv;
  W v, rho, m_issuer, predicate;
};
constexpr auto kMintA1Keys = std::tuple{
    Key{"nonces", get_field, &MintA1Args::nonces},
    Key{"M_rec", get_g1, &MintA1Args::m_rec},
    Key{"pk_recv", get_g1, &MintA1Args::pk_recv},
    Key{"v", get_w, &MintA1Args::v},
    Key{"rho", get_w, &MintA1Args::rho},
    Key{"m_issuer", get_w, &MintA1Args::m_issuer},
    Key{"predicate", get_w, &MintA1Args::predicate}};

struct MintA1Nonces {
  W r_prime, r_note;
};
constexpr auto kMintA1NonceKeys = std::tuple{
    Key{"r_prime", get_w, &MintA1Nonces::r_prime},
    Key{"r_note", get_w, &MintA1Nonces::r_note}};

struct MintA2Args {
  const Json* nonces = nullptr;
  W sk_iss;
  CiphertextW e_reg;
  G1Words pk_recv;
  W v, rho, issuer, chainid, predicate;
};
constexpr auto kMintA2Keys = std::tuple{
    Key{"nonces", get_field, &MintA2Args::nonces},
    Key{"sk_iss", get_w, &MintA2Args::sk_iss},
    Key{"E_reg", get_ct, &MintA2Args::e_reg},
    Key{"pk_recv", get_g1, &MintA2Args::pk_recv},
    Key{"v", get_w, &MintA2Args::v},
    Key{"rho", get_w, &MintA2Args::rho},
    Key{"issuer", get_w, &MintA2Args::issuer},
    Key{"chainid", get_w, &MintA2Args::chainid},
    Key{"predicate", get_w, &MintA2Args::predicate}};

struct MintA2Nonces {
  W r_prime, r_note, beta, gamma, k_r, k_b, k_s, k_g;
};
constexpr auto kMintA2NonceKeys = std::tuple{
    Key{"r_prime", get_w, &MintA2Nonces::r_prime},
    Key{"r_note", get_w, &MintA2Nonces::r_note},
    Key{"beta", get_w, &MintA2Nonces::beta},
    Key{"gamma", get_w, &MintA2Nonces::gamma},
    Key{"k_r", get_w, &MintA2Nonces::k_r},
    Key{"k_b", get_w, &MintA2Nonces::k_b},
    Key{"k_s", get_w, &MintA2Nonces::k_s},
    Key{"k_g", get_w, &MintA2Nonces::k_g}};

// A minted record's binding and gamma: checked as a binding record and a hex word,
// and kept as they stand (the receipt copies them).
Result<const Json*> binding_as_is(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* rec, get_field(obj, key));
  VORN_CHECK(binding_from(*rec));
  return rec;
}
Result<const Json*> hex_as_is(const Json& obj, std::string_view key) {
  VORN_TRY(const Json* v, get_field(obj, key));
  VORN_CHECK(as_w(*v));
  return v;
}

// The "minted" records the recipient receipts read (every field is checked; the
// receipt uses those it names).
struct MintedA1 {
  CiphertextW e_note, e_rec;
  W id_hash, cm;
  NoteOpening opening;
};
constexpr auto kMintedA1Keys = std::tuple{
    Key{"eNote", get_ct, &MintedA1::e_note},
    Key{"eRec", get_ct, &MintedA1::e_rec},
    Key{"idHash", get_w, &MintedA1::id_hash},
    Key{"cm", get_w, &MintedA1::cm},
    Key{"opening", record_at<NoteOpening, opening_from>, &MintedA1::opening}};

struct MintedA2 {
  NoteOpening opening;
  CiphertextW e_note, e_iss;
  G1Words m_i;
  W id_hash, cm;
  const Json* binding = nullptr;
  const Json* gamma = nullptr;
};
constexpr auto kMintedA2Keys = std::tuple{
    Key{"opening", record_at<NoteOpening, opening_from>, &MintedA2::opening},
    Key{"eNote", get_ct, &MintedA2::e_note},
    Key{"eIss", get_ct, &MintedA2::e_iss},
    Key{"M_I", get_g1, &MintedA2::m_i},
    Key{"idHash", get_w, &MintedA2::id_hash},
    Key{"cm", get_w, &MintedA2::cm},
    Key{"binding", binding_as_is, &MintedA2::binding},
    Key{"gamma", hex_as_is, &MintedA2::gamma}};

// The recipient's keys after the tree (M_iss only for A1).
struct RecipientArgs {
  W k;
  G1Words m_rec, m_iss;
  W issuer, chainid, t_vd;
};
constexpr auto kRecipientA1Keys = std::tuple{
    Key{"k_recv", get_w, &RecipientArgs::k},
    Key{"M_rec", get_g1, &RecipientArgs::m_rec},
    Key{"M_iss", get_g1, &RecipientArgs::m_iss},
    Key{"issuer", get_w, &RecipientArgs::issuer},
    Key{"chainid", get_w, &RecipientArgs::chainid},
    Key{"t_vd", get_w, &RecipientArgs::t_vd}};
constexpr auto kRecipientA2Keys = std::tuple{
    Key{"k_recv", get_w, &RecipientArgs::k},
    Key{"M_rec", get_g1, &RecipientArgs::m_rec},
    Key{"issuer", get_w, &RecipientArgs::issuer},
    Key{"chainid", get_w, &RecipientArgs::chainid},
    Key{"t_vd", get_w, &RecipientArgs::t_vd}};

// The recipient as the maker computes it: issuer and chainid reduced.
Recipient recipient_of(const RecipientArgs& a) {
  return Recipient{a.k, a.m_rec, reduce_mod_r(a.issuer), reduce_mod_r(a.chainid), a.t_vd};
}

// The "receipt" of verify_receipt_a1.
struct ReceiptA1 {
  G1Words m_iss, m_rec, pk_recv;
  W value;
  CiphertextW e_rec;
  VdRecord vd;
  W issuer, chainid;
};
constexpr auto kReceiptA1Keys = std::tuple{
    Key{"M_iss", get_g1, &ReceiptA1::m_iss},
    Key{"M_rec", get_g1, &ReceiptA1::m_rec},
    Key{"pk_recv", get_g1, &ReceiptA1::pk_recv},
    Key{"value", get_w, &ReceiptA1::value},
    Key{"eRec", get_ct, &ReceiptA1::e_rec},
    Key{"vd", record_at<VdRecord, vd_from>, &ReceiptA1::vd},
    Key{"issuer", get_w, &ReceiptA1::issuer},
    Key{"chainid", get_w, &ReceiptA1::chainid}};

// The "receipt" of verify_receipt_a2.
struct ReceiptA2 {
  G1Words m_i, m_rec, pk_recv;
  W value;
  CiphertextW e_iss;
  VdRecord vd;
  BindingRecord binding;
  W gamma, issuer, chainid;
};
constexpr auto kReceiptA2Keys = std::tuple{
    Key{"M_I", get_g1, &ReceiptA2::m_i},
    Key{"M_rec", get_g1, &ReceiptA2::m_rec},
    Key{"pk_recv", get_g1, &ReceiptA2::pk_recv},
    Key{"value", get_w, &ReceiptA2::value},
    Key{"eIss", get_ct, &ReceiptA2::e_iss},
    Key{"vd", record_at<VdRecord, vd_from>, &ReceiptA2::vd},
    Key{"binding", record_at<BindingRecord, binding_from>, &ReceiptA2::binding},
    Key{"gamma", get_w, &ReceiptA2::gamma},
    Key{"issuer", get_w, &ReceiptA2::issuer},
    Key{"chainid", get_w, &ReceiptA2::chainid}};

// What verify_receipt_a2 reads after the registry: the issuer's key and its
// registered ciphertext.
struct IssuerKey {
  G1Words pk_iss;
  CiphertextW e_reg;
};
constexpr auto kIssuerKeyKeys = std::tuple{
    Key{"pk_iss", get_g1, &IssuerKey::pk_iss},
    Key{"E_reg", get_ct, &IssuerKey::e_reg}};

Result<Json> mint_unilateral_a1_object(const Json& args) {
  VORN_TRY(const MintA1Args a, read_keys(args, kMintA1Keys));
  VORN_TRY(const MintA1Nonces nonces, read_keys(*a.nonces, kMintA1NonceKeys));
  const NoteFields n{a.v, a.rho, a.predicate};
  const W& r_prime = nonces.r_prime;
  const W& r_note = nonces.r_note;

  VORN_TRY(const G1Affine m_rec, decode_g1(a.m_rec));
  VORN_TRY(const G1Affine pk_recv, decode_g1(a.pk_recv));
  const Fr rn = fr_of(r_note), rp = fr_of(r_prime);
  VORN_CHECK(check_mint_randomness(rn, rp));

  const CiphertextW e_note = cw::w_from_ct(crypto::elgamal_encrypt(value_point(n.v), pk_recv, rn));
  const CiphertextW e_rec = cw::w_from_ct(crypto::elgamal_encrypt(m_rec, pk_recv, rp));
  VORN_TRY(const W id_hash, notes::id_hash_a1(e_note, a.m_issuer));
  VORN_TRY(Committed c, commit(notes::kFlavorA1, n, id_hash));

  Json out = Json::object();
  out.set("eNote", ct_hex(e_note));
  out.set("eRec", ct_hex(e_rec));
  out.set("idHash", scalar(id_hash));
  out.set("cm", scalar(c.cm));
  out.set("opening", std::move(c.opening));
  out.set("r_prime", scalar(r_prime));
  out.set("r_note", scalar(r_note));
  return out;
}

Result<Json> mint_unilateral_a2_object(const Json& args) {
  VORN_TRY(const MintA2Args a, read_keys(args, kMintA2Keys));
  VORN_TRY(const MintA2Nonces k, read_keys(*a.nonces, kMintA2NonceKeys));
  const NoteFields n{a.v, a.rho, a.predicate};

  VORN_TRY(const Ciphertext e_reg, cw::ct_from_w(a.e_reg));
  VORN_TRY(const G1Affine pk_recv, decode_g1(a.pk_recv));
  const Fr rn = fr_of(k.r_note), rp = fr_of(k.r_prime);
  VORN_CHECK(check_mint_randomness(rn, rp));
  VORN_CHECK(check_nonces({fr_of(k.k_r), fr_of(k.k_b), fr_of(k.k_s), fr_of(k.k_g)}));

  // The issuer's own identity, re-encrypted to the mailbox.
  const G1Affine m_i = crypto::elgamal_decrypt(e_reg, fr_of(a.sk_iss));
  const CiphertextW e_note = cw::w_from_ct(crypto::elgamal_encrypt(value_point(n.v), pk_recv, rn));
  const CiphertextW e_iss = cw::w_from_ct(crypto::elgamal_encrypt(m_i, pk_recv, rp));
  VORN_TRY(const BindingRecord binding,
           cw::issuer_reenc_prove(a.sk_iss, k.r_prime, a.pk_recv, a.e_reg, e_iss, a.issuer,
                                  a.chainid, k.beta, k.gamma, k.k_r, k.k_b, k.k_s, k.k_g));
  VORN_TRY(const W id_hash, notes::id_hash_a2(e_note, e_iss, binding.T));
  VORN_TRY(Committed c, commit(notes::kFlavorA2, n, id_hash));

  Json out = Json::object();
  out.set("eNote", ct_hex(e_note));
  out.set("eIss", ct_hex(e_iss));
  out.set("M_I", g1_hex(point_words(m_i)));
  out.set("idHash", scalar(id_hash));
  out.set("cm", scalar(c.cm));
  out.set("opening", std::move(c.opening));
  out.set("binding", binding_json(binding));
  out.set("r_prime", scalar(k.r_prime));
  out.set("r_note", scalar(k.r_note));
  out.set("gamma", scalar(k.gamma));
  return out;
}

Result<Json> make_receipt_a1_object(const Json& args) {
  VORN_TRY(const Json* minted_rec, get_field(args, "minted"));
  VORN_TRY(const MintedA1 minted, read_keys(*minted_rec, kMintedA1Keys));
  VORN_TRY(const notes::IdentityMerkleTree tree, tree_at(args, "tree"));
  VORN_TRY(const RecipientArgs ra, read_keys(args, kRecipientA1Keys));
  const Recipient r = recipient_of(ra);
  const G1Words& m_iss = ra.m_iss;
  const CiphertextW& e_rec = minted.e_rec;
  const NoteOpening& opening = minted.opening;
  VORN_CHECK(check_receiving_key(r));

  VORN_TRY(const VdRecord vd, prove_decryption(r, e_rec, r.m_rec));
  VORN_TRY(const bool iss_member, holds(tree, m_iss));
  VORN_TRY(const bool rec_member, holds(tree, r.m_rec));

  Json out = recipient_receipt(r, opening.v, vd);
  out.set("M_iss", g1_hex(m_iss));
  out.set("eRec", ct_hex(e_rec));
  out.set("M_iss_member", Json::boolean(iss_member));
  out.set("M_rec_member", Json::boolean(rec_member));
  return out;
}

Result<Json> make_receipt_a2_object(const Json& args) {
  VORN_TRY(const Json* minted_rec, get_field(args, "minted"));
  VORN_TRY(const MintedA2 minted, read_keys(*minted_rec, kMintedA2Keys));
  VORN_TRY(const notes::IdentityMerkleTree tree, tree_at(args, "tree"));
  VORN_TRY(const RecipientArgs ra, read_keys(args, kRecipientA2Keys));
  const Recipient r = recipient_of(ra);
  const CiphertextW& e_iss_w = minted.e_iss;
  const NoteOpening& opening = minted.opening;
  VORN_CHECK(check_receiving_key(r));

  // The issuer identity this mailbox received (constant time in k_recv).
  VORN_TRY(const Ciphertext e_iss, cw::ct_from_w(e_iss_w));
  const G1Words m_i = point_words(crypto::elgamal_decrypt(e_iss, fr_of(r.k)));
  VORN_TRY(const VdRecord vd, prove_decryption(r, e_iss_w, m_i));
  VORN_TRY(const bool iss_member, holds(tree, m_i));
  VORN_TRY(const bool rec_member, holds(tree, r.m_rec));

  Json out = recipient_receipt(r, opening.v, vd);
  out.set("M_I", g1_hex(m_i));
  out.set("eIss", ct_hex(e_iss_w));
  out.set("binding", *minted.binding);
  out.set("gamma", *minted.gamma);
  out.set("M_I_member", Json::boolean(iss_member));
  out.set("M_rec_member", Json::boolean(rec_member));
  return out;
}

Result<Json> verify_receipt_a1_object(const Json& args) {
  VORN_TRY(const Json* rc, get_field(args, "receipt"));
  VORN_TRY(const ReceiptA1 r, read_keys(*rc, kReceiptA1Keys));
  VORN_TRY(Registry reg, read_registry(args));
  const G1Words &m_iss = r.m_iss, &m_rec = r.m_rec, &pk_recv = r.pk_recv;
  const W& value = r.value;

  VORN_TRY(const bool vd_ok,
           cw::verifiable_decrypt_verify(r.e_rec, pk_recv, m_rec, r.vd, r.issuer, r.chainid));
  if (!vd_ok) return verdict(kVdInvalid, m_iss, m_rec, value);
  if (pk_recv == G1Words{}) return verdict(kReceivingKeyInfinite, m_iss, m_rec, value);
  VORN_TRY(const std::optional<std::string_view> failure, membership(reg, m_rec, m_iss));
  return verdict(failure, m_iss, m_rec, value);
}

Result<Json> verify_receipt_a2_object(const Json& args) {
  VORN_TRY(const Json* rc, get_field(args, "receipt"));
  VORN_TRY(const ReceiptA2 r, read_keys(*rc, kReceiptA2Keys));
  VORN_TRY(Registry reg, read_registry(args));
  VORN_TRY(const IssuerKey iss, read_keys(args, kIssuerKeyKeys));
  const G1Words &m_i = r.m_i, &m_rec = r.m_rec, &pk_recv = r.pk_recv;
  const W& value = r.value;

  VORN_TRY(const bool binding_ok,
           cw::issuer_reenc_verify(iss.pk_iss, iss.e_reg, r.e_iss, r.binding, r.issuer, r.chainid));
  if (!binding_ok) return verdict(kBindingInvalid, m_i, m_rec, value);
  VORN_TRY(const bool vd_ok,
           cw::verifiable_decrypt_verify(r.e_iss, pk_recv, m_i, r.vd, r.issuer, r.chainid));
  if (!vd_ok) return verdict(kVdInvalid, m_i, m_rec, value);
  if (pk_recv == G1Words{}) return verdict(kReceivingKeyInfinite, m_i, m_rec, value);

  // The identity the binding carries: C - T = M - gamma*H, since T = r'*pk_rec +
  // gamma*H and C = M + r'*pk_rec. Public data, variable time. Both points decoded
  // above by the binding's verifier.
  VORN_TRY(const G1Words carried, binding_identity(r.e_iss.c, r.binding.T, r.gamma));
  if (carried != m_i) return verdict(kBindingIdentityNotDecrypted, m_i, m_rec, value);

  VORN_TRY(const std::optional<std::string_view> failure, membership(reg, m_rec, m_i));
  return verdict(failure, m_i, m_rec, value);
}

}  // namespace

// ---- the calls: each parses its argument text, runs its body and writes the
// object it returns (call.h)

Result<std::string> mint_unilateral_a1(std::string_view args_json) {
  return json_call(args_json, mint_unilateral_a1_object);
}

Result<std::string> mint_unilateral_a2(std::string_view args_json) {
  return json_call(args_json, mint_unilateral_a2_object);
}

Result<std::string> make_receipt_a1(std::string_view args_json) {
  return json_call(args_json, kTreeWordPaths, make_receipt_a1_object);
}

Result<std::string> make_receipt_a2(std::string_view args_json) {
  return json_call(args_json, kTreeWordPaths, make_receipt_a2_object);
}

Result<std::string> verify_receipt_a1(std::string_view args_json) {
  return json_call(args_json, kTreeWordPaths, verify_receipt_a1_object);
}

Result<std::string> verify_receipt_a2(std::string_view args_json) {
  return json_call(args_json, kTreeWordPaths, verify_receipt_a2_object);
}

}  // namespace vorn::wallet
