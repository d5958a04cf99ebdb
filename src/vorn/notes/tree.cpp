#include "vorn/notes/tree.h"

#include <algorithm>
#include <span>

#include "vorn/bn254/fields.h"
#include "vorn/hash/poseidon.h"
#include "vorn/notes/leaves.h"

namespace vorn::notes {

using bn254::Fr;

namespace {

// node(left, right) over field elements. The two-input parameter set is looked up
// once per tree walk instead of once per node.
class NodeHasher {
 public:
  static Result<NodeHasher> get() {
    VORN_TRY(const std::vector<hash::PoseidonParams>* all, hash::poseidon_params());
    return NodeHasher(&(*all)[1]);
  }
  Result<Fr> operator()(const Fr& left, const Fr& right) const {
    const Fr in[2] = {left, right};
    return hash::poseidon_fast_fr(*params_, in);
  }
  // Hashes the first 2 * out.size() elements of `level` pairwise into out, which may
  // be the front of `level` (node j over element j).
  Status pairs(std::span<const Fr> level, std::span<Fr> out) const {
    return hash::poseidon_fast_fr_many(*params_, level.first(2 * out.size()), out);
  }

 private:
  explicit NodeHasher(const hash::PoseidonParams* p) : params_(p) {}
  const hash::PoseidonParams* params_;
};

template <class Bit>
Result<W> fold(const W& leaf, std::span<const W> siblings, std::span<const Bit> bits) {
  const size_t steps = std::min(siblings.size(), bits.size());
  if (steps == 0) return leaf;
  VORN_TRY(const NodeHasher node, NodeHasher::get());
  Fr cur = Fr::from_w_reduce(leaf);
  for (size_t k = 0; k < steps; ++k) {
    // The children are ordered by masks, not by a branch on the bit.
    const Fr sib = Fr::from_w_reduce(siblings[k]);
    const uint64_t right = static_cast<uint64_t>(bits[k] != 0);
    VORN_TRY(cur, node(Fr::select(right, sib, cur), Fr::select(right, cur, sib)));
  }
  return cur.to_w();
}

}  // namespace

Result<W> IdentityMerkleTree::node(const W& left, const W& right) {
  const W in[2] = {left, right};
  return hash::poseidon(in);
}

Result<IdentityMerkleTree> IdentityMerkleTree::from_leaves(std::vector<W> leaves, uint64_t depth) {
  if (depth < kMinTreeDepth || depth > kMaxTreeDepth) return IdError{kDepthOutOfRange};
  if (leaves.size() > (uint64_t{1} << depth)) return IdError{kTooManyLeaves};
  IdentityMerkleTree t;
  t.depth_ = depth;
  t.zeros_.resize(depth + 1);  // zeros_[0] is the zero word
  for (uint64_t i = 1; i <= depth; ++i) {
    VORN_TRY(t.zeros_[i], node(t.zeros_[i - 1], t.zeros_[i - 1]));
  }
  t.leaves_ = std::move(leaves);
  return t;
}

Result<W> IdentityMerkleTree::climb(size_t index, MerklePath* out) const {
  const size_t n = leaves_.size();
  if (n == 0) return zeros_[depth_];
  VORN_TRY(const NodeHasher node, NodeHasher::get());

  // One buffer holds every level in turn: level i+1 overwrites the front of level i,
  // which is safe because node j of the next level reads positions 2j and 2j+1 >= j.
  std::vector<Fr> level(n);
  for (size_t i = 0; i < n; ++i) level[i] = Fr::from_w_reduce(leaves_[i]);
  if (out) {
    out->siblings.clear();
    out->bits.clear();
    out->siblings.reserve(depth_);
    out->bits.reserve(depth_);
    out->leaf = leaves_[index];
  }

  size_t len = n, pos = index;
  for (uint64_t i = 0; i < depth_; ++i) {
    if (out) {
      // At the leaf level the sibling is reported as stored, not reduced.
      const size_t s = pos ^ 1;
      out->siblings.push_back(s >= len ? zeros_[i] : i == 0 ? leaves_[s] : level[s].to_w());
      out->bits.push_back(static_cast<uint8_t>(pos & 1));
    }
    // Whole pairs first (two node hashes at a time), then a last node over zeros[i]
    // when the count is odd; node j overwrites element j, already read.
    const size_t whole = len / 2;
    VORN_CHECK(node.pairs(std::span<const Fr>(level.data(), len), std::span<Fr>(level.data(), whole)));
    if (len % 2 != 0) {
      VORN_TRY(level[whole], node(level[len - 1], Fr::from_w_reduce(zeros_[i])));
    }
    len = whole + len % 2;
    pos >>= 1;
  }
  // At most 2^depth leaves, so exactly one node is left.
  const W root = level[0].to_w();
  if (out) out->root = root;
  return root;
}

Result<MerklePath> IdentityMerkleTree::path(uint64_t index) const {
  if (index >= leaves_.size()) return IdError{kLeafIndexOutOfRange};
  MerklePath p;
  VORN_TRY(const W root, climb(static_cast<size_t>(index), &p));
  (void)root;
  return p;
}

Result<W> IdentityMerkleTree::root() const { return climb(0, nullptr); }

std::optional<size_t> IdentityMerkleTree::find(const W& leaf) const {
  const auto it = std::find(leaves_.begin(), leaves_.end(), leaf);
  if (it == leaves_.end()) return std::nullopt;
  return static_cast<size_t>(it - leaves_.begin());
}

Result<bool> IdentityMerkleTree::contains_identity(const PointW& m, const std::optional<W>& root) const {
  VORN_TRY(const W leaf, identity_leaf(m));
  const std::optional<size_t> pos = find(leaf);
  if (!pos) return false;
  if (!root) return true;
  VORN_TRY(const MerklePath p, path(*pos));
  VORN_TRY(const W folded, fold_path(leaf, p.siblings, p.bits));
  return folded == p.root && p.root == *root;
}

Result<W> IdentityMerkleTree::fold_path(const W& leaf, std::span<const W> siblings, std::span<const uint8_t> bits) {
  return fold(leaf, siblings, bits);
}

Result<W> IdentityMerkleTree::fold_path(const W& leaf, std::span<const W> siblings, std::span<const uint64_t> bits) {
  return fold(leaf, siblings, bits);
}

}  // namespace vorn::notes
