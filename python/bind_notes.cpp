// vorn_identity: note commitments, nullifiers, id hashes, accumulator leaves, tree
// tags and salts; vorn_registry: scope ids and subtree keys.
//
// Every integer argument (point coordinates included) is converted to a word in
// parameter order before the kernel runs its range checks, so a value of 2^256 or
// more always reports the word error first. Points are hashed as their words and
// never decoded.
#include "bind.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"

namespace vorn::frame {

namespace {

using shape::G1;
using shape::Int;
using shape::Text;
using shape::U64;
using shape::Ct;

const char* const M = "vorn_identity";
Register r_tree_tag({M, "tree_tag", {{"tree_id", &Text}}, "", bind<notes::tree_tag>()});
Register r_derive_salt({M, "derive_salt",
                        {{"holder_secret", &Int}, {"tree_id", &Text},
                         {"association_counter", &U64, "0", Value::u64(0)}},
                        "", bind<notes::derive_salt>()});
Register r_note_commitment({M, "note_commitment",
                            {{"flavor", &U64}, {"v", &Int}, {"rho", &Int}, {"id_hash", &Int}, {"predicate", &Int}},
                            "", bind<notes::note_commitment>()});
Register r_nullifier({M, "nullifier", {{"rho", &Int}, {"id_hash", &Int}}, "", bind<notes::nullifier>()});
Register r_id_hash_b1({M, "id_hash_b1", {{"m_issuer", &Int}}, "", bind<notes::id_hash_b1>()});
Register r_id_hash_a1({M, "id_hash_a1", {{"e_note", &Ct}, {"m_issuer", &Int}}, "", bind<notes::id_hash_a1>()});
Register r_id_hash_a2({M, "id_hash_a2", {{"e_note", &Ct}, {"e_iss", &Ct}, {"t", &G1}},
                       "`id_hash_a2(eNote, eIss, T)` -- `T` is the mint binding's blinded point.",
                       bind<notes::id_hash_a2>()});
Register r_identity_leaf({M, "identity_leaf", {{"m_point", &G1}}, "", bind<notes::identity_leaf>()});
Register r_identity_leaf_salted({M, "identity_leaf_salted", {{"m_point", &G1}, {"salt", &Int}},
                                 "`identity_leaf_salted(M, salt)` -- the hiding leaf of a private subtree.",
                                 bind<notes::identity_leaf_salted>()});
Register r_receiving_leaf({M, "receiving_leaf", {{"m_rec", &Int}, {"k_recv", &Int}, {"salt", &Int}},
                           "`receiving_leaf(m_rec, k_recv, salt)` -- the hiding leaf binding an\n"
                           "Identity to the receiving key its Notes are addressed to.  Over scalars.",
                           bind<notes::receiving_leaf>()});

const char* const REG = "vorn_registry";
Register r_scope_id({REG, "scope_id", {{"name", &Text}}, "", bind<notes::scope_id>()});
Register r_subtree_key({REG, "subtree_key", {{"name", &Text}}, "", bind<notes::subtree_key>()});

}  // namespace
}  // namespace vorn::frame
