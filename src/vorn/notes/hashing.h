// The one hashing step every note, leaf and salt shares: Poseidon over a domain
// tag's scalar followed by words, each word read modulo r. Internal to this folder.
#pragma once

#include <initializer_list>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/hash/tags.h"

namespace vorn::notes {

/// Poseidon(tag scalar, items...) as a canonical scalar word; 1 to 15 items.
/// Constant time in the item values. Fails only with Poseidon's own errors.
Result<W> tagged_hash(hash::PoseidonTag tag, std::initializer_list<W> items);

}  // namespace vorn::notes
