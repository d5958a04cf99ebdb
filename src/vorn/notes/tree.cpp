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

Result<IdentityMerkleTree> IdentityMerkleTree::over_leaves(std::span<const W> leaves, uint64_t depth) {
  if (depth < kMinTreeDepth || depth > kMaxTreeDepth) return IdError{kDepthOutOfRange};
  if (leaves.size() > (uint64_t{1} << depth)) return IdError{kTooManyLeaves};
  IdentityMerkleTree t;
  t.depth_ = depth;
  t.zeros_.resize(depth + 1);  // zeros_[0] is the zero word
  for (uint64_t i = 1; i <= depth; ++i) {
    VORN_TRY(t.zeros_[i], node(t.zeros_[i - 1], t.zeros_[i - 1]));
  }
  t.leaves_ = leaves;
  return t;
}

Result<IdentityMerkleTree> IdentityMerkleTree::from_leaves(std::vector<W> leaves, uint64_t depth) {
  VORN_TRY(IdentityMerkleTree t, over_leaves(leaves, depth));
  t.owned_ = std::move(leaves);  // the buffer moves, so the span stays on it
  t.leaves_ = t.owned_;
  t.owns_ = true;
  return t;
}

void IdentityMerkleTree::adopt(const IdentityMerkleTree& from) {
  zeros_ = from.zeros_;
  depth_ = from.depth_;
  owns_ = from.owns_;
  if (owns_) {
    owned_ = from.owned_;
    leaves_ = owned_;
  } else {
    owned_.clear();
    leaves_ = from.leaves_;
  }
}

IdentityMerkleTree::IdentityMerkleTree(const IdentityMerkleTree& other) { adopt(other); }

IdentityMerkleTree& IdentityMerkleTree::operator=(const IdentityMerkleTree& other) {
  if (this != &other) adopt(other);
  return *this;
}

IdentityMerkleTree::IdentityMerkleTree(IdentityMerkleTree&& other) noexcept
    : owned_(std::move(other.owned_)),
      leaves_(other.owns_ ? std::span<const W>(owned_) : other.leaves_),
      owns_(other.owns_),
      zeros_(std::move(other.zeros_)),
      depth_(other.depth_) {
  other.leaves_ = {};
  other.owns_ = false;
}

IdentityMerkleTree& IdentityMerkleTree::operator=(IdentityMerkleTree&& other) noexcept {
  if (this != &other) {
    owned_ = std::move(other.owned_);
    owns_ = other.owns_;
    leaves_ = owns_ ? std::span<const W>(owned_) : other.leaves_;
    zeros_ = std::move(other.zeros_);
    depth_ = other.depth_;
    other.leaves_ = {};
    other.owns_ = false;
  }
  return *this;
}

Result<W> IdentityMerkleTree::climb(std::span<const size_t> index, std::span<MerklePath> out) const {
  const size_t n = leaves_.size();
  for (size_t k = 0; k < out.size(); ++k) {
    out[k].siblings.clear();
    out[k].bits.clear();
    out[k].siblings.reserve(depth_);
    out[k].bits.reserve(depth_);
    out[k].leaf = leaves_[index[k]];
  }
  if (n == 0) return zeros_[depth_];
  VORN_TRY(const NodeHasher node, NodeHasher::get());

  // The position of each requested leaf at the current level; at every level the
  // sibling of each is recorded before the level is hashed into the next.
  std::vector<size_t> pos(index.begin(), index.end());
  auto record = [&](uint64_t i, size_t len, auto&& sibling_at) {
    for (size_t k = 0; k < out.size(); ++k) {
      const size_t s = pos[k] ^ 1;
      out[k].siblings.push_back(s >= len ? zeros_[i] : sibling_at(s));
      out[k].bits.push_back(static_cast<uint8_t>(pos[k] & 1));
      pos[k] >>= 1;
    }
  };

  // The leaf level: siblings reported as stored, not reduced. Level 1 is hashed
  // straight from the leaves, a block of pairs at a time, so the leaves are never
  // copied whole; whole pairs first, then a last node over zeros[0] when the count
  // is odd.
  record(0, n, [&](size_t s) { return leaves_[s]; });
  size_t len = n / 2 + n % 2;
  std::vector<Fr> level(len);
  constexpr size_t kBlock = 32;  // pairs per block
  Fr block[2 * kBlock];
  for (size_t j = 0; j < n / 2; j += kBlock) {
    const size_t m = std::min(kBlock, n / 2 - j);
    for (size_t i = 0; i < 2 * m; ++i) block[i] = Fr::from_w_reduce(leaves_[2 * j + i]);
    VORN_CHECK(node.pairs(std::span<const Fr>(block, 2 * m), std::span<Fr>(level.data() + j, m)));
  }
  if (n % 2 != 0) {
    VORN_TRY(level[n / 2], node(Fr::from_w_reduce(leaves_[n - 1]), Fr::from_w_reduce(zeros_[0])));
  }

  // The other levels in the same buffer: level i+1 overwrites the front of level i,
  // which is safe because node j of the next level reads positions 2j and 2j+1 >= j.
  for (uint64_t i = 1; i < depth_; ++i) {
    record(i, len, [&](size_t s) { return level[s].to_w(); });
    const size_t whole = len / 2;
    VORN_CHECK(node.pairs(std::span<const Fr>(level.data(), len), std::span<Fr>(level.data(), whole)));
    if (len % 2 != 0) {
      VORN_TRY(level[whole], node(level[len - 1], Fr::from_w_reduce(zeros_[i])));
    }
    len = whole + len % 2;
  }
  // At most 2^depth leaves, so exactly one node is left.
  const W root = level[0].to_w();
  for (MerklePath& p : out) p.root = root;
  return root;
}

Result<MerklePaths> IdentityMerkleTree::paths(std::span<const uint64_t> indices) const {
  std::vector<size_t> index;
  index.reserve(indices.size());
  for (const uint64_t i : indices) {
    if (i >= leaves_.size()) return IdError{kLeafIndexOutOfRange};
    index.push_back(static_cast<size_t>(i));
  }
  MerklePaths out;
  out.paths.resize(index.size());
  VORN_TRY(out.root, climb(index, out.paths));
  return out;
}

Result<MerklePath> IdentityMerkleTree::path(uint64_t index) const {
  const uint64_t one[1] = {index};
  VORN_TRY(MerklePaths p, paths(one));
  return std::move(p.paths[0]);
}

Result<W> IdentityMerkleTree::root() const { return climb({}, {}); }

std::optional<size_t> IdentityMerkleTree::find(const W& leaf) const {
  const auto it = std::find(leaves_.begin(), leaves_.end(), leaf);
  if (it == leaves_.end()) return std::nullopt;
  return static_cast<size_t>(it - leaves_.begin());
}

Result<bool> IdentityMerkleTree::contains_identity(const G1Words& m, const std::optional<W>& root) const {
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
