// Hashing costs: Poseidon by arity (the 2-input hash is the Merkle tree node),
// Keccak over words, and a typical transcript challenge.
#include <benchmark/benchmark.h>

#include <vector>

#include "vorn/hash/keccak.h"
#include "vorn/hash/poseidon.h"
#include "vorn/hash/transcript.h"

using vorn::W;
using vorn::bn254::Fr;
namespace h = vorn::hash;

static void BM_PoseidonFr(benchmark::State& st) {
  const size_t n = static_cast<size_t>(st.range(0));
  std::vector<Fr> x;
  for (size_t i = 0; i < n; ++i) x.push_back(Fr::from_u64(i * 1000003 + 7));
  (void)h::poseidon_params();  // build the tables outside the timed loop
  for (auto _ : st) {
    auto r = h::poseidon_fr(x);
    benchmark::DoNotOptimize(r);
    x[0] = *r;  // chain the calls
  }
}
BENCHMARK(BM_PoseidonFr)->Arg(1)->Arg(2)->Arg(3)->Arg(5)->Arg(8)->Arg(16);

// 64 two-input hashes (a Merkle level): one at a time, and through the batch call that
// advances two hashes together.
static void BM_PoseidonLevel(benchmark::State& st) {
  const bool batch = st.range(0) != 0;
  const auto& p = (**h::poseidon_params())[1];
  std::vector<Fr> level(128);
  for (size_t i = 0; i < level.size(); ++i) level[i] = Fr::from_u64(i * 1000003 + 7);
  std::vector<Fr> out(64);
  for (auto _ : st) {
    if (batch) {
      (void)h::poseidon_fast_fr_many(p, level, out);
    } else {
      for (size_t k = 0; k < out.size(); ++k) out[k] = *h::poseidon_fast_fr(p, std::span<const Fr>(level).subspan(2 * k, 2));
    }
    benchmark::DoNotOptimize(out);
    level[0] = out[63];
  }
}
BENCHMARK(BM_PoseidonLevel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Two-input hashes per second over many independent inputs (a level of 4096 nodes),
// per form: 0 the plain round-by-round form, 1 the recurrence form one hash at a
// time, 2 the batch call (two hashes advanced together).
static void BM_PoseidonThroughput(benchmark::State& st) {
  const int form = static_cast<int>(st.range(0));
  const auto& p = (**h::poseidon_params())[1];
  std::vector<Fr> level(8192);
  for (size_t i = 0; i < level.size(); ++i) level[i] = Fr::from_u64(i * 1000003 + 7);
  std::vector<Fr> out(4096);
  for (auto _ : st) {
    if (form == 2) {
      (void)h::poseidon_fast_fr_many(p, level, out);
    } else {
      for (size_t k = 0; k < out.size(); ++k) {
        const auto in = std::span<const Fr>(level).subspan(2 * k, 2);
        out[k] = form == 0 ? *h::poseidon_plain_fr(p, in) : *h::poseidon_fast_fr(p, in);
      }
    }
    benchmark::DoNotOptimize(out);
    level[0] = out[4095];
  }
  st.SetItemsProcessed(static_cast<int64_t>(st.iterations() * out.size()));
}
BENCHMARK(BM_PoseidonThroughput)->ArgName("form")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

static void BM_PoseidonPlainFr(benchmark::State& st) {
  const size_t n = static_cast<size_t>(st.range(0));
  std::vector<Fr> x;
  for (size_t i = 0; i < n; ++i) x.push_back(Fr::from_u64(i * 1000003 + 7));
  const auto& p = (**h::poseidon_params())[n - 1];
  for (auto _ : st) {
    auto r = h::poseidon_plain_fr(p, x);
    benchmark::DoNotOptimize(r);
    x[0] = *r;
  }
}
BENCHMARK(BM_PoseidonPlainFr)->Arg(2)->Arg(16);

static void BM_PoseidonWords2(benchmark::State& st) {
  std::vector<W> x = {W::from_u64(1), W::from_u64(2)};
  (void)h::poseidon_params();
  for (auto _ : st) {
    auto r = h::poseidon(x);
    benchmark::DoNotOptimize(r);
    x[0] = *r;
  }
}
BENCHMARK(BM_PoseidonWords2);

static void BM_KeccakWords(benchmark::State& st) {
  std::vector<W> x(static_cast<size_t>(st.range(0)), W::from_u64(9));
  for (auto _ : st) {
    W r = h::keccak_words(x);
    benchmark::DoNotOptimize(r);
    x[0] = r;
  }
}
BENCHMARK(BM_KeccakWords)->Arg(1)->Arg(8)->Arg(22)->Arg(32);

static void BM_TranscriptChallenge(benchmark::State& st) {
  // Twelve words before the tag: the size of a two-ciphertext proof transcript.
  W seed = W::from_u64(3);
  for (auto _ : st) {
    h::Transcript tr(h::Tag::Approve);
    for (int i = 0; i < 6; ++i) tr.p(seed, seed);
    seed = tr.e();
    benchmark::DoNotOptimize(seed);
  }
}
BENCHMARK(BM_TranscriptChallenge);
