// Accumulator leaves, salts, tree tags and the chain's scope and subtree keys.
//
// The registry's Merkle accumulators hold these leaves: a plain identity leaf, a
// salted identity leaf (the hiding leaf of a private subtree), a receiving leaf that
// binds an identity scalar to a receiving secret, and a mailbox leaf that binds an
// identity point to a receiving public key. Each is a domain-tagged Poseidon hash;
// points enter as x then y and are not checked to lie on the curve. Salts derive
// deterministically from a holder secret, a tree identifier and a counter, so they
// need not be stored.
//
// The leaf and salt functions run in time independent of the values of their word
// arguments (their range checks included); tree_tag, scope_id and subtree_key hash
// public names. Every failure is an IdError with one of the messages below.
#pragma once

#include <cstdint>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/notes/notes.h"

namespace vorn::notes {

inline constexpr const char* kSaltOutOfRange = "salt must be in [1, F_R); 0 makes the leaf deterministic";
inline constexpr const char* kReceivingLeafOutOfRange = "receiving_leaf inputs must each lie in [1, F_R)";
inline constexpr const char* kEmptyTreeId = "tree_id must be a non-empty string";
inline constexpr const char* kHolderSecretZero = "holder_secret must be a positive int";
inline constexpr const char* kEmptyScopeName = "scope name must be a non-empty string";

/// Poseidon(tag "VeltriaVorn/Accumulator/Leaf/Identity/v2", M.x, M.y). No checks.
Result<W> identity_leaf(const G1Words& m);

/// Poseidon(tag "VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2", M.x, M.y, salt).
/// salt in [1, r) else "salt must be in [1, F_R); 0 makes the leaf deterministic".
Result<W> identity_leaf_salted(const G1Words& m, const W& salt);

/// Poseidon(tag "VeltriaVorn/Accumulator/Leaf/Receiving/v2", m_rec, k_recv, salt).
/// Each of the three, in that order, in [1, r) else "receiving_leaf inputs must each
/// lie in [1, F_R)" (the same message whichever fails).
Result<W> receiving_leaf(const W& m_rec, const W& k_recv, const W& salt);

/// Poseidon(tag "VeltriaVorn/Accumulator/Leaf/Mailbox/v2", M_rec.x, M_rec.y,
/// pk_recv.x, pk_recv.y, salt). salt in [1, r) else "salt must be in [1, F_R); 0
/// makes the leaf deterministic".
Result<W> mailbox_leaf(const G1Words& m_rec, const G1Words& pk_recv, const W& salt);

/// Keccak-256 of the identifier's bytes, reduced modulo r. An empty identifier fails
/// with "tree_id must be a non-empty string".
Result<W> tree_tag(std::string_view tree_id);

/// The salt of (holder_secret, tree_id, association_counter): Poseidon(tag
/// "VeltriaVorn/Accumulator/Salt/v2", holder_secret, tree_tag(tree_id), counter as a
/// word); if that is zero, the counter is increased and the hash repeated, so the
/// result always lies in [1, r). holder_secret is any nonzero word (read modulo r by
/// Poseidon); zero fails with "holder_secret must be a positive int", checked before
/// the identifier's "tree_id must be a non-empty string".
Result<W> derive_salt(const W& holder_secret, std::string_view tree_id, uint64_t association_counter = 0);

/// The 256-bit key naming a scope on the chain: Keccak-256 of the name's bytes, NOT
/// reduced. An empty name fails with "scope name must be a non-empty string".
Result<W> scope_id(std::string_view name);

/// The key naming a subtree: the same operation and message as scope_id.
Result<W> subtree_key(std::string_view name);

}  // namespace vorn::notes
