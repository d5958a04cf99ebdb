// vorn_identity: note commitments, nullifiers, id hashes, accumulator leaves, tree
// tags and salts; vorn_registry: scope ids and subtree keys.
//
// Every integer argument (point coordinates included) is converted to a word in
// parameter order before the kernel runs its range checks, so a value of 2^256 or
// more always reports the word error first. Points are hashed as their words and
// never decoded.
#include "frame.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"

namespace vorn::frame {
namespace {

// This file's shapes are its own objects, defined before the rows that use them
// (static initialisation runs in order within one file only).
const Shape kInt{Shape::Kind::Int, {}};
const Shape kText{Shape::Kind::Text, {}};
const Shape kU64{Shape::Kind::U64, {}};
const Shape kG1{Shape::Kind::Tuple, {&kInt, &kInt}};
const Shape kCt{Shape::Kind::Tuple, {&kG1, &kG1}};

Result<G1Words> arg_point(const Value& v) { return arg_g1(v); }

Result<notes::CiphertextW> arg_note_ct(const Value& v) {
  VORN_TRY(const CtWords w, arg_ct(v));
  return notes::CiphertextW{{w[0], w[1]}, {w[2], w[3]}};
}

Result<Value> note_commitment_body(Args& a) {
  VORN_TRY(const W v, arg_w(a[1]));
  VORN_TRY(const W rho, arg_w(a[2]));
  VORN_TRY(const W id_hash, arg_w(a[3]));
  VORN_TRY(const W predicate, arg_w(a[4]));
  return int_result(notes::note_commitment(a[0].u, v, rho, id_hash, predicate));
}

Result<Value> nullifier_body(Args& a) {
  VORN_TRY(const W rho, arg_w(a[0]));
  VORN_TRY(const W id_hash, arg_w(a[1]));
  return int_result(notes::nullifier(rho, id_hash));
}

Result<Value> id_hash_b1_body(Args& a) {
  VORN_TRY(const W m, arg_w(a[0]));
  return int_result(notes::id_hash_b1(m));
}

Result<Value> id_hash_a1_body(Args& a) {
  VORN_TRY(const notes::CiphertextW e_note, arg_note_ct(a[0]));
  VORN_TRY(const W m, arg_w(a[1]));
  return int_result(notes::id_hash_a1(e_note, m));
}

Result<Value> id_hash_a2_body(Args& a) {
  VORN_TRY(const notes::CiphertextW e_note, arg_note_ct(a[0]));
  VORN_TRY(const notes::CiphertextW e_iss, arg_note_ct(a[1]));
  VORN_TRY(const notes::G1Words t, arg_point(a[2]));
  return int_result(notes::id_hash_a2(e_note, e_iss, t));
}

Result<Value> identity_leaf_body(Args& a) {
  VORN_TRY(const notes::G1Words m, arg_point(a[0]));
  return int_result(notes::identity_leaf(m));
}

Result<Value> identity_leaf_salted_body(Args& a) {
  VORN_TRY(const notes::G1Words m, arg_point(a[0]));
  VORN_TRY(const W salt, arg_w(a[1]));
  return int_result(notes::identity_leaf_salted(m, salt));
}

Result<Value> receiving_leaf_body(Args& a) {
  VORN_TRY(const W m_rec, arg_w(a[0]));
  VORN_TRY(const W k_recv, arg_w(a[1]));
  VORN_TRY(const W salt, arg_w(a[2]));
  return int_result(notes::receiving_leaf(m_rec, k_recv, salt));
}

Result<Value> tree_tag_body(Args& a) { return int_result(notes::tree_tag(a[0].str())); }

Result<Value> derive_salt_body(Args& a) {
  VORN_TRY(const W holder_secret, arg_w(a[0]));
  return int_result(notes::derive_salt(holder_secret, a[1].str(), a[2].u));
}

Result<Value> scope_id_body(Args& a) { return int_result(notes::scope_id(a[0].str())); }
Result<Value> subtree_key_body(Args& a) { return int_result(notes::subtree_key(a[0].str())); }

const char* const M = "vorn_identity";
Register r_tree_tag({M, "tree_tag", {{"tree_id", &kText}}, "", tree_tag_body});
Register r_derive_salt({M, "derive_salt",
                        {{"holder_secret", &kInt}, {"tree_id", &kText},
                         {"association_counter", &kU64, "0", Value::u64(0)}},
                        "", derive_salt_body});
Register r_note_commitment({M, "note_commitment",
                            {{"flavor", &kU64}, {"v", &kInt}, {"rho", &kInt}, {"id_hash", &kInt}, {"predicate", &kInt}},
                            "", note_commitment_body});
Register r_nullifier({M, "nullifier", {{"rho", &kInt}, {"id_hash", &kInt}}, "", nullifier_body});
Register r_id_hash_b1({M, "id_hash_b1", {{"m_issuer", &kInt}}, "", id_hash_b1_body});
Register r_id_hash_a1({M, "id_hash_a1", {{"e_note", &kCt}, {"m_issuer", &kInt}}, "", id_hash_a1_body});
Register r_id_hash_a2({M, "id_hash_a2", {{"e_note", &kCt}, {"e_iss", &kCt}, {"t", &kG1}},
                       "`id_hash_a2(eNote, eIss, T)` -- `T` is the mint binding's blinded point.", id_hash_a2_body});
Register r_identity_leaf({M, "identity_leaf", {{"m_point", &kG1}}, "", identity_leaf_body});
Register r_identity_leaf_salted({M, "identity_leaf_salted", {{"m_point", &kG1}, {"salt", &kInt}},
                                 "`identity_leaf_salted(M, salt)` -- the hiding leaf of a private subtree.",
                                 identity_leaf_salted_body});
Register r_receiving_leaf({M, "receiving_leaf", {{"m_rec", &kInt}, {"k_recv", &kInt}, {"salt", &kInt}},
                           "`receiving_leaf(m_rec, k_recv, salt)` -- the hiding leaf binding an\n"
                           "Identity to the receiving key its Notes are addressed to.  Over scalars.",
                           receiving_leaf_body});

const char* const REG = "vorn_registry";
Register r_scope_id({REG, "scope_id", {{"name", &kText}}, "", scope_id_body});
Register r_subtree_key({REG, "subtree_key", {{"name", &kText}}, "", subtree_key_body});

}  // namespace
}  // namespace vorn::frame
