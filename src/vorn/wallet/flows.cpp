#include "vorn/wallet/flows.h"

#include <optional>
#include <vector>

#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/words.h"
#include "vorn/hash/pedersen.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/args.h"
#include "vorn/wallet/builders.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/group_args.h"
#include "vorn/wallet/records.h"
#include "vorn/wallet/verify.h"

namespace vorn::wallet {

namespace {

namespace cw = crypto::words;
using crypto::Ciphertext;

IdError err(std::string_view msg) { return IdError{std::string(msg)}; }

Json scalar(const W& w) { return Json::string(scalar_hex(w)); }

Result<Ciphertext> decode_ct(const CiphertextW& c) { return cw::ct_from_w(ct_words(c)); }

CiphertextW ct_of(const Ciphertext& c) { return ciphertext_w(cw::w_from_ct(c)); }

// v*G, the point a note's value is encrypted as. Constant time in v.
G1Affine value_point(const W& v) { return mul_g_ct(fr_of(v)).to_affine(); }

// The two randomnesses of a mint: both nonzero and different mod r. Constant time
// up to the answer.
Status check_mint_randomness(const Fr& r_note, const Fr& r_prime) {
  if (r_note.is_zero() | r_prime.is_zero() | (r_note - r_prime).is_zero()) return err(kUnsafeMintRandomness);
  return ok_status();
}

// Proof nonces: each nonzero, no two equal mod r. Constant time up to the answer.
Status check_nonces(std::initializer_list<Fr> nonces) {
  bool bad = false;
  for (auto a = nonces.begin(); a != nonces.end(); ++a) {
    bad |= a->is_zero();
    for (auto b = a + 1; b != nonces.end(); ++b) bad |= (*a - *b).is_zero();
  }
  if (bad) return err(kUnsafeNonces);
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

Result<Recipient> read_recipient(const Json& args) {
  Recipient r;
  VORN_TRY(r.k, get_w(args, "k_recv"));
  VORN_TRY(r.m_rec, get_g1(args, "M_rec"));
  return r;
}

Status read_binding_words(const Json& args, Recipient& r) {
  VORN_TRY(const W issuer, get_w(args, "issuer"));
  VORN_TRY(const W chainid, get_w(args, "chainid"));
  VORN_TRY(r.t_vd, get_w(args, "t_vd"));
  r.issuer = reduce_mod_r(issuer);
  r.chainid = reduce_mod_r(chainid);
  return ok_status();
}

// The receiving key is nonzero mod r. Constant time up to the answer.
Status check_receiving_key(const Recipient& r) {
  if (fr_of(r.k).is_zero()) return err(kZeroReceivingKey);
  return ok_status();
}

// The proof that `ct` decrypts under k to `m`, bound to (issuer, chainid).
// Decodes R, C, then M (the prover's order).
Result<VdRecord> prove_decryption(const Recipient& r, const CiphertextW& ct, const G1Words& m) {
  VORN_CHECK(check_nonces({fr_of(r.t_vd)}));
  return cw::verifiable_decrypt_prove(ct_words(ct), r.k, m, r.issuer, r.chainid, r.t_vd);
}

// The receipt fields both flavors write.
Json recipient_receipt(const Recipient& r, const W& v, const VdRecord& vd) {
  Json o = Json::object();
  o.set("M_rec", g1_hex(r.m_rec));
  o.set("pk_recv", g1_hex(point_words(mul_g_ct(fr_of(r.k)))));
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

Result<std::string> verdict(std::optional<std::string_view> failure, const G1Words& issuer_m,
                            const G1Words& recipient_m, const W& value) {
  Json o = Json::object();
  o.set("valid", Json::boolean(!failure));
  o.set("reason", Json::string(std::string(failure ? *failure : kValid)));
  o.set("issuer_M", failure ? Json::null() : g1_hex(issuer_m));
  o.set("recipient_M", failure ? Json::null() : g1_hex(recipient_m));
  o.set("value", scalar(value));
  return compact_json(o);
}

// Membership of the recipient, then of the issuer: the first failure's reason.
Result<std::optional<std::string_view>> membership(Registry& reg, const G1Words& m_rec, const G1Words& m_iss) {
  VORN_TRY(const bool rec_ok, reg.member(m_rec));
  if (!rec_ok) return std::optional<std::string_view>(kRecipientNotRegistered);
  VORN_TRY(const bool iss_ok, reg.member(m_iss));
  if (!iss_ok) return std::optional<std::string_view>(kIssuerNotRegistered);
  return std::optional<std::string_view>();
}

}  // namespace

Result<std::string> mint_unilateral_a1(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const Json* nonces, get_field(args, "nonces"));
  VORN_TRY(const G1Words m_rec_w, get_g1(args, "M_rec"));
  VORN_TRY(const G1Words pk_recv_w, get_g1(args, "pk_recv"));
  NoteFields n;
  VORN_TRY(n.v, get_w(args, "v"));
  VORN_TRY(n.rho, get_w(args, "rho"));
  VORN_TRY(const W m_issuer, get_w(args, "m_issuer"));
  VORN_TRY(n.predicate, get_w(args, "predicate"));
  VORN_TRY(const W r_prime, get_w(*nonces, "r_prime"));
  VORN_TRY(const W r_note, get_w(*nonces, "r_note"));

  VORN_TRY(const G1Affine m_rec, decode_g1(m_rec_w));
  VORN_TRY(const G1Affine pk_recv, decode_g1(pk_recv_w));
  const Fr rn = fr_of(r_note), rp = fr_of(r_prime);
  VORN_CHECK(check_mint_randomness(rn, rp));

  const CiphertextW e_note = ct_of(crypto::elgamal_encrypt(value_point(n.v), pk_recv, rn));
  const CiphertextW e_rec = ct_of(crypto::elgamal_encrypt(m_rec, pk_recv, rp));
  VORN_TRY(const W id_hash, notes::id_hash_a1(e_note, m_issuer));
  VORN_TRY(Committed c, commit(notes::kFlavorA1, n, id_hash));

  Json out = Json::object();
  out.set("eNote", ct_hex(e_note));
  out.set("eRec", ct_hex(e_rec));
  out.set("idHash", scalar(id_hash));
  out.set("cm", scalar(c.cm));
  out.set("opening", std::move(c.opening));
  out.set("r_prime", scalar(r_prime));
  out.set("r_note", scalar(r_note));
  return compact_json(out);
}

Result<std::string> mint_unilateral_a2(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json));
  VORN_TRY(const Json* nonces, get_field(args, "nonces"));
  VORN_TRY(const W sk_iss, get_w(args, "sk_iss"));
  VORN_TRY(const CiphertextW e_reg_w, get_ct(args, "E_reg"));
  VORN_TRY(const G1Words pk_recv_w, get_g1(args, "pk_recv"));
  NoteFields n;
  VORN_TRY(n.v, get_w(args, "v"));
  VORN_TRY(n.rho, get_w(args, "rho"));
  VORN_TRY(const W issuer, get_w(args, "issuer"));
  VORN_TRY(const W chainid, get_w(args, "chainid"));
  VORN_TRY(n.predicate, get_w(args, "predicate"));
  W r_prime, r_note, beta, gamma, k_r, k_b, k_s, k_g;
  for (auto [key, word] : {std::pair<const char*, W*>{"r_prime", &r_prime}, {"r_note", &r_note},
                           {"beta", &beta}, {"gamma", &gamma}, {"k_r", &k_r}, {"k_b", &k_b}, {"k_s", &k_s},
                           {"k_g", &k_g}}) {
    VORN_TRY(*word, get_w(*nonces, key));
  }

  VORN_TRY(const Ciphertext e_reg, decode_ct(e_reg_w));
  VORN_TRY(const G1Affine pk_recv, decode_g1(pk_recv_w));
  const Fr rn = fr_of(r_note), rp = fr_of(r_prime);
  VORN_CHECK(check_mint_randomness(rn, rp));
  VORN_CHECK(check_nonces({fr_of(k_r), fr_of(k_b), fr_of(k_s), fr_of(k_g)}));

  // The issuer's own identity, re-encrypted to the mailbox.
  const G1Affine m_i = crypto::elgamal_decrypt(e_reg, fr_of(sk_iss));
  const CiphertextW e_note = ct_of(crypto::elgamal_encrypt(value_point(n.v), pk_recv, rn));
  const CiphertextW e_iss = ct_of(crypto::elgamal_encrypt(m_i, pk_recv, rp));
  VORN_TRY(const BindingRecord binding,
           cw::issuer_reenc_prove(sk_iss, r_prime, pk_recv_w, ct_words(e_reg_w), ct_words(e_iss), issuer,
                                  chainid, beta, gamma, k_r, k_b, k_s, k_g));
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
  out.set("r_prime", scalar(r_prime));
  out.set("r_note", scalar(r_note));
  out.set("gamma", scalar(gamma));
  return compact_json(out);
}

Result<std::string> make_receipt_a1(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json, kTreeWordPaths));
  VORN_TRY(const Json* minted, get_field(args, "minted"));
  VORN_CHECK(get_ct(*minted, "eNote"));
  VORN_TRY(const CiphertextW e_rec, get_ct(*minted, "eRec"));
  VORN_CHECK(get_w(*minted, "idHash"));
  VORN_CHECK(get_w(*minted, "cm"));
  VORN_TRY(const Json* opening_rec, get_field(*minted, "opening"));
  VORN_TRY(const NoteOpening opening, opening_from(*opening_rec));
  VORN_TRY(const notes::IdentityMerkleTree tree, tree_at(args, "tree"));
  VORN_TRY(Recipient r, read_recipient(args));
  VORN_TRY(const G1Words m_iss, get_g1(args, "M_iss"));
  VORN_CHECK(read_binding_words(args, r));
  VORN_CHECK(check_receiving_key(r));

  VORN_TRY(const VdRecord vd, prove_decryption(r, e_rec, r.m_rec));
  VORN_TRY(const bool iss_member, holds(tree, m_iss));
  VORN_TRY(const bool rec_member, holds(tree, r.m_rec));

  Json out = recipient_receipt(r, opening.v, vd);
  out.set("M_iss", g1_hex(m_iss));
  out.set("eRec", ct_hex(e_rec));
  out.set("M_iss_member", Json::boolean(iss_member));
  out.set("M_rec_member", Json::boolean(rec_member));
  return compact_json(out);
}

Result<std::string> make_receipt_a2(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json, kTreeWordPaths));
  VORN_TRY(const Json* minted, get_field(args, "minted"));
  VORN_TRY(const Json* opening_rec, get_field(*minted, "opening"));
  VORN_TRY(const NoteOpening opening, opening_from(*opening_rec));
  VORN_CHECK(get_ct(*minted, "eNote"));
  VORN_TRY(const CiphertextW e_iss_w, get_ct(*minted, "eIss"));
  VORN_CHECK(get_g1(*minted, "M_I"));
  VORN_CHECK(get_w(*minted, "idHash"));
  VORN_CHECK(get_w(*minted, "cm"));
  VORN_TRY(const Json* binding, get_field(*minted, "binding"));
  VORN_CHECK(binding_from(*binding));
  VORN_TRY(const Json* gamma, get_field(*minted, "gamma"));
  VORN_CHECK(as_w(*gamma));
  VORN_TRY(const notes::IdentityMerkleTree tree, tree_at(args, "tree"));
  VORN_TRY(Recipient r, read_recipient(args));
  VORN_CHECK(read_binding_words(args, r));
  VORN_CHECK(check_receiving_key(r));

  // The issuer identity this mailbox received (constant time in k_recv).
  VORN_TRY(const Ciphertext e_iss, decode_ct(e_iss_w));
  const G1Words m_i = point_words(crypto::elgamal_decrypt(e_iss, fr_of(r.k)));
  VORN_TRY(const VdRecord vd, prove_decryption(r, e_iss_w, m_i));
  VORN_TRY(const bool iss_member, holds(tree, m_i));
  VORN_TRY(const bool rec_member, holds(tree, r.m_rec));

  Json out = recipient_receipt(r, opening.v, vd);
  out.set("M_I", g1_hex(m_i));
  out.set("eIss", ct_hex(e_iss_w));
  out.set("binding", *binding);
  out.set("gamma", *gamma);
  out.set("M_I_member", Json::boolean(iss_member));
  out.set("M_rec_member", Json::boolean(rec_member));
  return compact_json(out);
}

Result<std::string> verify_receipt_a1(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json, kTreeWordPaths));
  VORN_TRY(const Json* rc, get_field(args, "receipt"));
  VORN_TRY(const G1Words m_iss, get_g1(*rc, "M_iss"));
  VORN_TRY(const G1Words m_rec, get_g1(*rc, "M_rec"));
  VORN_TRY(const G1Words pk_recv, get_g1(*rc, "pk_recv"));
  VORN_TRY(const W value, get_w(*rc, "value"));
  VORN_TRY(const CiphertextW e_rec, get_ct(*rc, "eRec"));
  VORN_TRY(const Json* vd_rec, get_field(*rc, "vd"));
  VORN_TRY(const VdRecord vd, vd_from(*vd_rec));
  VORN_TRY(const W issuer, get_w(*rc, "issuer"));
  VORN_TRY(const W chainid, get_w(*rc, "chainid"));
  VORN_TRY(Registry reg, read_registry(args));

  VORN_TRY(const bool vd_ok,
           cw::verifiable_decrypt_verify(ct_words(e_rec), pk_recv, m_rec, vd, issuer, chainid));
  if (!vd_ok) return verdict(kVdInvalid, m_iss, m_rec, value);
  if (pk_recv == G1Words{}) return verdict(kReceivingKeyInfinite, m_iss, m_rec, value);
  VORN_TRY(const std::optional<std::string_view> failure, membership(reg, m_rec, m_iss));
  return verdict(failure, m_iss, m_rec, value);
}

Result<std::string> verify_receipt_a2(std::string_view args_json) {
  VORN_TRY(const Json args, parse_args(args_json, kTreeWordPaths));
  VORN_TRY(const Json* rc, get_field(args, "receipt"));
  VORN_TRY(const G1Words m_i, get_g1(*rc, "M_I"));
  VORN_TRY(const G1Words m_rec, get_g1(*rc, "M_rec"));
  VORN_TRY(const G1Words pk_recv, get_g1(*rc, "pk_recv"));
  VORN_TRY(const W value, get_w(*rc, "value"));
  VORN_TRY(const CiphertextW e_iss, get_ct(*rc, "eIss"));
  VORN_TRY(const Json* vd_rec, get_field(*rc, "vd"));
  VORN_TRY(const VdRecord vd, vd_from(*vd_rec));
  VORN_TRY(const Json* binding_rec, get_field(*rc, "binding"));
  VORN_TRY(const BindingRecord binding, binding_from(*binding_rec));
  VORN_TRY(const W gamma, get_w(*rc, "gamma"));
  VORN_TRY(const W issuer, get_w(*rc, "issuer"));
  VORN_TRY(const W chainid, get_w(*rc, "chainid"));
  VORN_TRY(Registry reg, read_registry(args));
  VORN_TRY(const G1Words pk_iss, get_g1(args, "pk_iss"));
  VORN_TRY(const CiphertextW e_reg, get_ct(args, "E_reg"));

  VORN_TRY(const bool binding_ok,
           cw::issuer_reenc_verify(pk_iss, ct_words(e_reg), ct_words(e_iss), binding, issuer, chainid));
  if (!binding_ok) return verdict(kBindingInvalid, m_i, m_rec, value);
  VORN_TRY(const bool vd_ok,
           cw::verifiable_decrypt_verify(ct_words(e_iss), pk_recv, m_i, vd, issuer, chainid));
  if (!vd_ok) return verdict(kVdInvalid, m_i, m_rec, value);
  if (pk_recv == G1Words{}) return verdict(kReceivingKeyInfinite, m_i, m_rec, value);

  // The identity the binding carries: C - T = M - gamma*H, since T = r'*pk_rec +
  // gamma*H and C = M + r'*pk_rec. Public data, variable time. Both points decoded
  // above by the binding's verifier.
  VORN_TRY(const G1Affine c, decode_g1(e_iss.c));
  VORN_TRY(const G1Affine t, decode_g1(binding.T));
  VORN_TRY(const G1Affine h, hash::h_pedersen_affine());
  const G1 carried = bn254::g1_mul_var(h, fr_of(gamma)).add_affine(c) - G1::from_affine(t);
  if (point_words(carried.to_affine_var()) != m_i) return verdict(kBindingIdentityNotDecrypted, m_i, m_rec, value);

  VORN_TRY(const std::optional<std::string_view> failure, membership(reg, m_rec, m_i));
  return verdict(failure, m_i, m_rec, value);
}

}  // namespace vorn::wallet
