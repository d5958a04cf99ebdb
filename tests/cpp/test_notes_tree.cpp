// The identity Merkle tree: construction bounds, paths, roots, folding, membership.
//
// Paths and roots are checked against trees written out by hand from `poseidon` and
// against a naive reference that pads the leaves to all 2^depth positions with the
// zero word and hashes every level in full: the real tree fills empty positions
// with the zeros table instead, and the two must agree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorn/hash/poseidon.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/tree.h"

using vorn::W;
using vorn::notes::IdentityMerkleTree;
using vorn::notes::MerklePath;
namespace n = vorn::notes;
namespace h = vorn::hash;

namespace {

W hexw(const char* s) {
  W w;
  EXPECT_TRUE(vorn::w_from_hex64(s, w)) << s;
  return w;
}
W u(uint64_t x) { return W::from_u64(x); }
const W ZERO{};
const W R_PLUS_5 = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000006");

W H(const W& a, const W& b) {
  const W in[2] = {a, b};
  auto r = h::poseidon(in);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : W{};
}

template <class T>
std::string err(const vorn::Result<T>& r) {
  return r.ok() ? std::string("<ok>") : r.error().msg;
}

IdentityMerkleTree build(std::vector<W> leaves, uint64_t depth) {
  auto t = IdentityMerkleTree::from_leaves(std::move(leaves), depth);
  EXPECT_TRUE(t.ok()) << err(t);
  return std::move(t).value();
}

std::vector<W> leaves_1_to(uint64_t count) {
  std::vector<W> v;
  for (uint64_t i = 1; i <= count; ++i) v.push_back(u(1000 + i));
  return v;
}

// Every level of the fully padded tree, level 0 first.
std::vector<std::vector<W>> naive_levels(const std::vector<W>& leaves, unsigned depth) {
  std::vector<std::vector<W>> levels(1, std::vector<W>(size_t{1} << depth, ZERO));
  for (size_t i = 0; i < leaves.size(); ++i) levels[0][i] = leaves[i];
  for (unsigned d = 0; d < depth; ++d) {
    std::vector<W> next;
    for (size_t j = 0; j < levels[d].size(); j += 2) next.push_back(H(levels[d][j], levels[d][j + 1]));
    levels.push_back(next);
  }
  return levels;
}

}  // namespace

TEST(MerkleTree, DepthAndSizeBounds) {
  struct Case { uint64_t depth; size_t leaves; const char* msg; } cases[] = {
      {0, 0, n::kDepthOutOfRange},
      {0, 1, n::kDepthOutOfRange},
      {33, 1, n::kDepthOutOfRange},
      {~uint64_t{0}, 1, n::kDepthOutOfRange},
      {1, 0, nullptr},
      {1, 2, nullptr},
      {1, 3, n::kTooManyLeaves},
      {2, 4, nullptr},
      {2, 5, n::kTooManyLeaves},
      {32, 3, nullptr},
  };
  for (const auto& c : cases) {
    auto t = IdentityMerkleTree::from_leaves(leaves_1_to(c.leaves), c.depth);
    EXPECT_EQ(err(t), c.msg ? c.msg : "<ok>") << c.depth << " " << c.leaves;
  }
}

TEST(MerkleTree, NodeIsTwoInputCircomlibPoseidon) {
  // circomlib's poseidon([1, 2]); both the word form and the walk's field form.
  W want;
  ASSERT_TRUE(vorn::w_from_decimal("7853200120776062878684798364095072458815029376092732009249414926327459813530", want));
  EXPECT_EQ(*IdentityMerkleTree::node(u(1), u(2)), want);
  const W sib[1] = {u(2)};
  const uint8_t left[1] = {0};
  EXPECT_EQ(*IdentityMerkleTree::fold_path(u(1), sib, left), want);
  EXPECT_EQ(*build({u(1), u(2)}, 1).root(), want);
}

TEST(MerkleTree, ZerosTable) {
  const IdentityMerkleTree t = build({}, 32);
  ASSERT_EQ(t.zeros().size(), 33u);
  EXPECT_EQ(t.zeros()[0], ZERO);
  for (size_t i = 1; i < t.zeros().size(); ++i) EXPECT_EQ(t.zeros()[i], H(t.zeros()[i - 1], t.zeros()[i - 1]));
  EXPECT_EQ(*t.root(), t.zeros()[32]);
}

TEST(MerkleTree, OneLeafAtDepthTwo) {
  const W L = u(77);
  const IdentityMerkleTree t = build({L}, 2);
  const W z1 = H(ZERO, ZERO);
  auto p = t.path(0);
  ASSERT_TRUE(p.ok());
  EXPECT_EQ(p->siblings, (std::vector<W>{ZERO, z1}));
  EXPECT_EQ(p->bits, (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(p->leaf, L);
  EXPECT_EQ(p->root, H(H(L, ZERO), z1));
  EXPECT_EQ(*t.root(), p->root);
}

TEST(MerkleTree, ThreeLeavesAtDepthTwo) {
  const W L0 = u(5), L1 = u(6), L2 = u(7);
  const IdentityMerkleTree t = build({L0, L1, L2}, 2);
  const W root = H(H(L0, L1), H(L2, ZERO));
  struct Case { uint64_t index; std::vector<W> siblings; std::vector<uint8_t> bits; } cases[] = {
      {0, {L1, H(L2, ZERO)}, {0, 0}},
      {1, {L0, H(L2, ZERO)}, {1, 0}},
      {2, {ZERO, H(L0, L1)}, {0, 1}},
  };
  for (const auto& c : cases) {
    auto p = t.path(c.index);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p->siblings, c.siblings) << c.index;
    EXPECT_EQ(p->bits, c.bits) << c.index;
    EXPECT_EQ(p->root, root) << c.index;
  }
  EXPECT_EQ(err(t.path(3)), n::kLeafIndexOutOfRange);
  EXPECT_EQ(err(t.path(~uint64_t{0})), n::kLeafIndexOutOfRange);
}

TEST(MerkleTree, AgreesWithTheFullyPaddedTree) {
  for (unsigned depth = 1; depth <= 4; ++depth)
    for (uint64_t count = 1; count <= (uint64_t{1} << depth); ++count) {
      const std::vector<W> leaves = leaves_1_to(count);
      const auto levels = naive_levels(leaves, depth);
      const IdentityMerkleTree t = build(leaves, depth);
      EXPECT_EQ(*t.root(), levels[depth][0]) << depth << "/" << count;
      for (uint64_t i = 0; i < count; ++i) {
        auto p = t.path(i);
        ASSERT_TRUE(p.ok());
        size_t pos = i;
        for (unsigned d = 0; d < depth; ++d, pos >>= 1) {
          EXPECT_EQ(p->siblings[d], levels[d][pos ^ 1]) << depth << "/" << count << " leaf " << i << " level " << d;
          EXPECT_EQ(p->bits[d], pos & 1);
        }
        EXPECT_EQ(p->root, levels[depth][0]);
        EXPECT_EQ(*IdentityMerkleTree::fold_path(p->leaf, p->siblings, p->bits), p->root);
      }
    }
}

// Several paths asked for together come from one pass over the levels and equal the
// paths asked for one at a time; counts around the leaf level's block of 32 pairs
// (hashed straight from the leaves) and odd counts at every level.
TEST(MerkleTree, PathsTogetherEqualPathsAlone) {
  for (const uint64_t count : {1, 63, 64, 65, 127, 128, 131, 200, 256}) {
    const std::vector<W> leaves = leaves_1_to(count);
    const auto levels = naive_levels(leaves, 8);
    const IdentityMerkleTree t = build(leaves, 8);
    std::vector<uint64_t> idx = {count - 1, 0, count / 2, count - 1};
    auto all = t.paths(idx);
    ASSERT_TRUE(all.ok()) << err(all);
    EXPECT_EQ(all->root, levels[8][0]) << count;
    ASSERT_EQ(all->paths.size(), idx.size());
    for (size_t k = 0; k < idx.size(); ++k) {
      auto one = t.path(idx[k]);
      ASSERT_TRUE(one.ok());
      EXPECT_EQ(all->paths[k].siblings, one->siblings) << count << " " << idx[k];
      EXPECT_EQ(all->paths[k].bits, one->bits);
      EXPECT_EQ(all->paths[k].leaf, leaves[idx[k]]);
      EXPECT_EQ(all->paths[k].root, levels[8][0]);
      size_t pos = idx[k];
      for (unsigned d = 0; d < 8; ++d, pos >>= 1) EXPECT_EQ(one->siblings[d], levels[d][pos ^ 1]) << count << " " << d;
    }
    auto none = t.paths({});
    ASSERT_TRUE(none.ok());
    EXPECT_EQ(none->root, levels[8][0]);
    EXPECT_TRUE(none->paths.empty());
    const uint64_t bad[2] = {0, count};
    EXPECT_EQ(err(t.paths(bad)), n::kLeafIndexOutOfRange);
  }
}

TEST(MerkleTree, LeavesAreUsedAsGiven) {
  // A leaf of r or more hashes like its residue but is stored and reported as given.
  const IdentityMerkleTree wide = build({u(1), R_PLUS_5}, 1);
  const IdentityMerkleTree narrow = build({u(1), u(5)}, 1);
  EXPECT_EQ(*wide.root(), *narrow.root());
  EXPECT_EQ(wide.path(1)->leaf, R_PLUS_5);
  EXPECT_EQ(wide.path(0)->siblings[0], R_PLUS_5);
  EXPECT_EQ(wide.find(u(5)), std::nullopt);
}

TEST(FoldPath, LengthsOtherThanTheDepth) {
  const W leaf = u(3), s0 = u(4), s1 = u(5), s2 = u(6);
  const W sibs[3] = {s0, s1, s2};
  const uint8_t bits[3] = {1, 0, 1};
  struct Case { size_t nsib, nbits; W want; } cases[] = {
      {0, 0, leaf},
      {3, 0, leaf},
      {0, 3, leaf},
      {1, 3, H(s0, leaf)},
      {3, 1, H(s0, leaf)},
      {2, 2, H(H(s0, leaf), s1)},
      {3, 3, H(s2, H(H(s0, leaf), s1))},
  };
  for (const auto& c : cases)
    EXPECT_EQ(*IdentityMerkleTree::fold_path(leaf, std::span<const W>(sibs, c.nsib), std::span<const uint8_t>(bits, c.nbits)),
              c.want)
        << c.nsib << "/" << c.nbits;
}

TEST(FoldPath, AnyNonzeroBitIsARightChild) {
  const W leaf = u(3), sib = u(4);
  const W sibs[1] = {sib};
  for (uint64_t bit : {uint64_t{1}, uint64_t{2}, uint64_t{255}, ~uint64_t{0}}) {
    const uint64_t b[1] = {bit};
    EXPECT_EQ(*IdentityMerkleTree::fold_path(leaf, sibs, b), H(sib, leaf)) << bit;
  }
  const uint64_t zero[1] = {0};
  EXPECT_EQ(*IdentityMerkleTree::fold_path(leaf, sibs, zero), H(leaf, sib));
  const uint8_t seven[1] = {7};
  EXPECT_EQ(*IdentityMerkleTree::fold_path(leaf, sibs, seven), H(sib, leaf));
}

TEST(FoldPath, LongerPathsReachAboveTheRoot) {
  const IdentityMerkleTree t = build(leaves_1_to(3), 2);
  MerklePath p = *t.path(2);
  p.siblings.push_back(u(9));
  p.bits.push_back(1);
  EXPECT_EQ(*IdentityMerkleTree::fold_path(p.leaf, p.siblings, p.bits), H(u(9), p.root));
}

TEST(ContainsIdentity, MembershipAndRoot) {
  const n::G1Words A{u(1), u(2)}, B{u(3), u(4)}, C{u(5), u(6)};
  const W la = *n::identity_leaf(A), lb = *n::identity_leaf(B);
  // B appears twice; the unrelated word 8 sits between.
  const IdentityMerkleTree t = build({lb, u(8), la, lb}, 3);
  const W root = *t.root();
  struct Case { n::G1Words m; std::optional<W> root; bool want; } cases[] = {
      {A, std::nullopt, true}, {A, root, true},          {A, u(1), false},
      {B, std::nullopt, true}, {B, root, true},          {B, H(root, root), false},
      {C, std::nullopt, false}, {C, root, false},
  };
  for (const auto& c : cases) {
    auto got = t.contains_identity(c.m, c.root);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(*got, c.want) << vorn::to_hex(c.m[0]);
  }
  EXPECT_EQ(t.find(lb), 0u);  // the first of the duplicates
  EXPECT_EQ(t.find(la), 2u);
  EXPECT_EQ(t.find(u(99)), std::nullopt);
}

TEST(ContainsIdentity, EmptyTree) {
  const IdentityMerkleTree t = build({}, 4);
  EXPECT_EQ(err(t.path(0)), n::kLeafIndexOutOfRange);
  EXPECT_FALSE(*t.contains_identity({u(1), u(2)}));
  EXPECT_FALSE(*t.contains_identity({u(1), u(2)}, t.zeros()[4]));
}
