// Notes and the identity tree: Merkle paths over registries of realistic size, and
// the leaf and note hashes.
#include <benchmark/benchmark.h>

#include <vector>

#include "vorn/hash/poseidon.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"

using vorn::W;
namespace n = vorn::notes;

namespace {

std::vector<W> make_leaves(size_t count) {
  std::vector<W> v;
  v.reserve(count);
  for (size_t i = 0; i < count; ++i) v.push_back(*n::identity_leaf({W::from_u64(i + 1), W::from_u64(7 * i + 3)}));
  return v;
}

}  // namespace

// path() computes every level from the leaves once: about n + depth node hashes.
static void BM_TreePath(benchmark::State& st) {
  const size_t count = static_cast<size_t>(st.range(0));
  const uint64_t depth = static_cast<uint64_t>(st.range(1));
  const n::IdentityMerkleTree t = *n::IdentityMerkleTree::from_leaves(make_leaves(count), depth);
  uint64_t index = 0;
  for (auto _ : st) {
    auto p = t.path(index);
    benchmark::DoNotOptimize(p);
    index = (index + 997) % count;
  }
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * count));
}
BENCHMARK(BM_TreePath)->Args({1024, 20})->Args({65536, 20})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreePath)->Args({1 << 20, 20})->Iterations(1)->Unit(benchmark::kMillisecond);

// The levels alone (the root), and the root with two paths from the same pass (a
// verifier's two memberships): the same cost.
static void BM_TreeLevels(benchmark::State& st) {
  const size_t count = static_cast<size_t>(st.range(0));
  const bool two_paths = st.range(1) != 0;
  const uint64_t depth = count > 65536 ? 20 : 16;
  const n::IdentityMerkleTree t = *n::IdentityMerkleTree::from_leaves(make_leaves(count), depth);
  const uint64_t idx[2] = {count - 1, count / 3};
  for (auto _ : st) {
    if (two_paths) {
      auto p = t.paths(idx);
      benchmark::DoNotOptimize(p);
    } else {
      auto r = t.root();
      benchmark::DoNotOptimize(r);
    }
  }
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * count));
}
BENCHMARK(BM_TreeLevels)->ArgNames({"leaves", "two_paths"})->Args({65536, 0})->Args({65536, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TreeLevels)->ArgNames({"leaves", "two_paths"})->Args({1 << 20, 0})->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_TreeFromLeaves(benchmark::State& st) {
  const std::vector<W> leaves = make_leaves(1024);
  for (auto _ : st) {
    auto t = n::IdentityMerkleTree::from_leaves(leaves, 20);
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_TreeFromLeaves)->Unit(benchmark::kMicrosecond);

static void BM_FoldPath(benchmark::State& st) {
  const n::IdentityMerkleTree t = *n::IdentityMerkleTree::from_leaves(make_leaves(1024), 20);
  const n::MerklePath p = *t.path(500);
  for (auto _ : st) {
    auto r = n::IdentityMerkleTree::fold_path(p.leaf, p.siblings, p.bits);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_FoldPath)->Unit(benchmark::kMicrosecond);

static void BM_NoteCommitment(benchmark::State& st) {
  for (auto _ : st) {
    auto r = n::note_commitment(1, W::from_u64(1000), W::from_u64(77), W::from_u64(78), W::from_u64(0));
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_NoteCommitment)->Unit(benchmark::kMicrosecond);

static void BM_DeriveSalt(benchmark::State& st) {
  for (auto _ : st) {
    auto r = n::derive_salt(W::from_u64(42), "registry/alpha", 0);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_DeriveSalt)->Unit(benchmark::kMicrosecond);
