// Timings of the BN254 kernel operations.
#include <benchmark/benchmark.h>

#include <random>

#include "vorn/bn254/fields.h"

using namespace vorn::bn254;

namespace {

Fq random_fq(std::mt19937_64& rng) {
  uint64_t l[4] = {rng(), rng(), rng(), rng() >> 3};
  return Fq::from_limbs_reduce(l);
}

void BM_FqMul(benchmark::State& st) {
  std::mt19937_64 rng(1);
  Fq a = random_fq(rng), b = random_fq(rng);
  for (auto _ : st) {
    a = a * b;
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqMul);

void BM_FqInv(benchmark::State& st) {
  std::mt19937_64 rng(2);
  Fq a = random_fq(rng);
  for (auto _ : st) {
    a = a.inv() + Fq::one();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqInv);

void BM_FqInvVar(benchmark::State& st) {
  std::mt19937_64 rng(3);
  Fq a = random_fq(rng);
  for (auto _ : st) {
    a = a.inv_var() + Fq::one();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqInvVar);

}  // namespace
