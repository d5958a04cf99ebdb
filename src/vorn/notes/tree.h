// The identity Merkle tree: a fixed-depth binary tree over accumulator leaves.
//
// A node is the two-input Poseidon hash node(left, right), with no domain tag, so a
// circuit can check the same paths; leaves are used as given (Poseidon reads them
// modulo r). The tree has 2^depth leaf positions; the first n hold the given leaves
// in their given order (not sorted, not de-duplicated) and the rest are empty. An
// empty position at level i stands for zeros[i], where zeros[0] is the zero word and
// zeros[i] = node(zeros[i-1], zeros[i-1]).
//
// A tree is immutable once built. The zeros table is computed once, at construction;
// the levels are not stored: each call of paths() (and of path() and root(), which
// use it) computes them from the leaves once (about n node hashes, plus one per level
// while a level has an odd count) in one buffer of half the leaf count, and answers
// the root and every requested path from that one pass. A caller needing several
// paths of one tree asks for them together.
//
// Timing: fold_path runs in time that depends only on the path's length (the bits
// order the children by masks). path, find and contains_identity treat the tree as
// the public registry data it is: their running time depends on the number of
// leaves, on the index and on where a leaf matches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/notes/notes.h"

namespace vorn::notes {

inline constexpr const char* kDepthOutOfRange = "depth must be in [1, 32]";
inline constexpr const char* kLeafIndexOutOfRange = "leaf index out of range";
inline constexpr const char* kTooManyLeaves = "more leaves than the tree depth has positions";

inline constexpr uint64_t kMinTreeDepth = 1;
inline constexpr uint64_t kMaxTreeDepth = 32;

/// The authentication path of one leaf.
struct MerklePath {
  std::vector<W> siblings;    // one per level, leaf level first
  std::vector<uint8_t> bits;  // one per level, 0 or 1; bit i is 1 when the node at level i is a right child
  W leaf;                     // the leaf word as stored in the tree
  W root;
};

/// The root of a tree and the paths of some of its leaves, from one pass.
struct MerklePaths {
  W root;
  std::vector<MerklePath> paths;  // in the order the indices were given
};

class IdentityMerkleTree {
 public:
  /// Builds a tree of the given depth over `leaves`. Fails with "depth must be in
  /// [1, 32]" for a depth outside [1, 32] (callers holding a wider integer pass any
  /// value above 32 for it), then with "more leaves than the tree depth has
  /// positions" when there are more than 2^depth leaves: such a tree has no single
  /// root covering all its leaves, so it is refused rather than summarised by a root
  /// that leaves some of them out. Costs depth node hashes (the zeros table).
  static Result<IdentityMerkleTree> from_leaves(std::vector<W> leaves, uint64_t depth);

  /// The same tree over leaves the caller keeps (read in place, not copied): the
  /// words must outlive the tree and every copy of it. Fails like from_leaves.
  static Result<IdentityMerkleTree> over_leaves(std::span<const W> leaves, uint64_t depth);

  IdentityMerkleTree(const IdentityMerkleTree& other);
  IdentityMerkleTree(IdentityMerkleTree&& other) noexcept;
  IdentityMerkleTree& operator=(const IdentityMerkleTree& other);
  IdentityMerkleTree& operator=(IdentityMerkleTree&& other) noexcept;

  /// The path of the leaf at `index`, with the root. Fails with "leaf index out of
  /// range" unless index < number of leaves (an empty tree has no paths).
  Result<MerklePath> path(uint64_t index) const;

  /// The root: what every path reports; zeros[depth] for a tree without leaves.
  Result<W> root() const;

  /// The root and the path of each leaf at `indices` (repeats allowed), the levels
  /// computed once for all of them. Fails with "leaf index out of range" unless every
  /// index is below the number of leaves; no indices give the root alone.
  Result<MerklePaths> paths(std::span<const uint64_t> indices) const;

  /// The first position holding `leaf`, if any.
  std::optional<size_t> find(const W& leaf) const;

  /// Whether identity_leaf(M) is among the leaves (the first position counts) and,
  /// when `root` is given, whether that position's path folds to it. An unknown
  /// identity or an empty tree answers false; only Poseidon's errors fail.
  Result<bool> contains_identity(const G1Words& m, const std::optional<W>& root = std::nullopt) const;

  /// The node reached from `leaf` along the first min(|siblings|, |bits|) steps: at
  /// a nonzero bit the current node is the right child, node(sibling, current),
  /// otherwise node(current, sibling). Paths of any length are folded as given; the
  /// caller compares the result with a root it trusts. No entries give `leaf` itself.
  static Result<W> fold_path(const W& leaf, std::span<const W> siblings, std::span<const uint8_t> bits);
  /// The same, for index bits read as wider integers (any nonzero value counts as 1).
  static Result<W> fold_path(const W& leaf, std::span<const W> siblings, std::span<const uint64_t> bits);

  /// node(left, right): two-input Poseidon, no domain tag; a canonical scalar word.
  static Result<W> node(const W& left, const W& right);

  std::span<const W> leaves() const { return leaves_; }
  /// zeros[0..depth], zeros[0] the zero word.
  const std::vector<W>& zeros() const { return zeros_; }
  uint64_t depth() const { return depth_; }

 private:
  IdentityMerkleTree() = default;
  // Points leaves_ at owned_ when the tree owns its leaves.
  void adopt(const IdentityMerkleTree& from);
  // Computes the levels once; fills out[k] with the path of leaf position index[k]
  // (each below the number of leaves, out as long as index). Returns the root.
  Result<W> climb(std::span<const size_t> index, std::span<MerklePath> out) const;

  std::vector<W> owned_;          // the leaves, when the tree owns them
  std::span<const W> leaves_;     // owned_, or the caller's words
  bool owns_ = false;
  std::vector<W> zeros_;
  uint64_t depth_ = 0;
};

}  // namespace vorn::notes
