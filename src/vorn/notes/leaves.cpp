#include "vorn/notes/leaves.h"

#include "vorn/core/ct.h"
#include "vorn/hash/keccak.h"
#include "vorn/notes/hashing.h"

namespace vorn::notes {

Result<W> identity_leaf(const G1Words& m) { return tagged_hash(hash::Tag::LeafIdentity, {m[0], m[1]}); }

// Salts, receiving secrets and holder secrets are secret: their range tests are
// constant time and only the outcome leaves, as the error.
Result<W> identity_leaf_salted(const G1Words& m, const W& salt) {
  if (!ct::declassify(is_nonzero_scalar(salt))) return IdError{kSaltOutOfRange};
  return tagged_hash(hash::Tag::LeafIdentitySalted, {m[0], m[1], salt});
}

Result<W> receiving_leaf(const W& m_rec, const W& k_recv, const W& salt) {
  // All three are tested before deciding, so the time does not reveal which failed.
  const bool ok = is_nonzero_scalar(m_rec) & is_nonzero_scalar(k_recv) & is_nonzero_scalar(salt);
  if (!ct::declassify(ok)) return IdError{kReceivingLeafOutOfRange};
  return tagged_hash(hash::Tag::LeafReceiving, {m_rec, k_recv, salt});
}

Result<W> mailbox_leaf(const G1Words& m_rec, const G1Words& pk_recv, const W& salt) {
  if (!ct::declassify(is_nonzero_scalar(salt))) return IdError{kSaltOutOfRange};
  return tagged_hash(hash::Tag::LeafMailbox, {m_rec[0], m_rec[1], pk_recv[0], pk_recv[1], salt});
}

Result<W> tree_tag(std::string_view tree_id) {
  if (tree_id.empty()) return IdError{kEmptyTreeId};
  return hash::reduce_mod_r(hash::keccak_raw(hash::as_bytes(tree_id)));
}

Result<W> derive_salt(const W& holder_secret, std::string_view tree_id, uint64_t association_counter) {
  if (ct::declassify(holder_secret.is_zero())) return IdError{kHolderSecretZero};
  VORN_TRY(const W tag, tree_tag(tree_id));
  // A zero hash turns up with probability 1/r per counter, so the loop runs once in
  // practice. The counter wraps modulo 2^64 like the unsigned integer it is.
  for (uint64_t counter = association_counter;; ++counter) {
    VORN_TRY(const W salt, tagged_hash(hash::Tag::Salt, {holder_secret, tag, W::from_u64(counter)}));
    if (!ct::declassify(salt.is_zero())) return salt;
  }
}

Result<W> scope_id(std::string_view name) {
  if (name.empty()) return IdError{kEmptyScopeName};
  return hash::keccak_raw(hash::as_bytes(name));
}

Result<W> subtree_key(std::string_view name) { return scope_id(name); }

}  // namespace vorn::notes
