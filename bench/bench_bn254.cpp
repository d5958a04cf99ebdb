// Timings of the BN254 kernel operations.
//   ninja -C build/bn254 bench_bn254 && build/bn254/bench_bn254 --benchmark_repetitions=3
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/pairing.h"
#include "vorn/bn254/scalar_mul.h"

using namespace vorn::bn254;

namespace {

std::mt19937_64& rng() {
  static std::mt19937_64 g(0xbe7c);
  return g;
}

Fq random_fq() {
  uint64_t l[4] = {rng()(), rng()(), rng()(), rng()()};
  return Fq::from_limbs_reduce(l);
}

Fr random_fr() {
  uint64_t l[4] = {rng()(), rng()(), rng()(), rng()()};
  return Fr::from_limbs_reduce(l);
}

G1Affine random_g1() { return g1_mul_gen_ct(random_fr()).to_affine(); }
G2Affine random_g2() { return g2_mul_ct(g2_generator(), random_fr()).to_affine(); }

void BM_FqMul(benchmark::State& st) {
  Fq a = random_fq(), b = random_fq();
  for (auto _ : st) {
    a = a * b;
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqMul);

void BM_FqSqr(benchmark::State& st) {
  Fq a = random_fq();
  for (auto _ : st) {
    a = a.sqr();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqSqr);

void BM_FqInv(benchmark::State& st) {
  Fq a = random_fq();
  for (auto _ : st) {
    a = a.inv() + Fq::one();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqInv);

void BM_FqInvVar(benchmark::State& st) {
  Fq a = random_fq();
  for (auto _ : st) {
    a = a.inv_var() + Fq::one();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FqInvVar);

void BM_Fq12Mul(benchmark::State& st) {
  Fq12 a = pairing(random_g1(), g2_generator()), b = pairing(g1_generator(), random_g2());
  for (auto _ : st) {
    a = a * b;
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq12Mul);

void BM_Fq12CyclotomicSqr(benchmark::State& st) {
  Fq12 a = pairing(random_g1(), g2_generator());
  for (auto _ : st) {
    a = a.cyclotomic_sqr();
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_Fq12CyclotomicSqr);

void BM_G1MulCt(benchmark::State& st) {
  G1Affine p = random_g1();
  Fr k = random_fr();
  for (auto _ : st) benchmark::DoNotOptimize(g1_mul_ct(p, k));
}
BENCHMARK(BM_G1MulCt)->Unit(benchmark::kMicrosecond);

void BM_G1MulVar(benchmark::State& st) {
  G1Affine p = random_g1();
  Fr k = random_fr();
  for (auto _ : st) benchmark::DoNotOptimize(g1_mul_var(p, k));
}
BENCHMARK(BM_G1MulVar)->Unit(benchmark::kMicrosecond);

void BM_G1MulGenCt(benchmark::State& st) {
  Fr k = random_fr();
  benchmark::DoNotOptimize(g1_mul_gen_ct(k));  // builds the table outside the timing
  for (auto _ : st) benchmark::DoNotOptimize(g1_mul_gen_ct(k));
}
BENCHMARK(BM_G1MulGenCt)->Unit(benchmark::kMicrosecond);

void BM_G1MulGenCtToAffine(benchmark::State& st) {
  Fr k = random_fr();
  benchmark::DoNotOptimize(g1_mul_gen_ct(k));
  for (auto _ : st) benchmark::DoNotOptimize(g1_mul_gen_ct(k).to_affine());
}
BENCHMARK(BM_G1MulGenCtToAffine)->Unit(benchmark::kMicrosecond);

void BM_G1Msm(benchmark::State& st) {
  const int n = (int)st.range(0);
  std::vector<G1Affine> pts = {g1_generator()};
  std::vector<Fr> ks = {random_fr()};
  for (int i = 1; i < n; ++i) {
    pts.push_back(random_g1());
    ks.push_back(random_fr());
  }
  benchmark::DoNotOptimize(g1_msm_var(pts, ks));
  for (auto _ : st) benchmark::DoNotOptimize(g1_msm_var(pts, ks));
}
BENCHMARK(BM_G1Msm)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_G2MulCt(benchmark::State& st) {
  G2Affine p = random_g2();
  Fr k = random_fr();
  for (auto _ : st) benchmark::DoNotOptimize(g2_mul_ct(p, k));
}
BENCHMARK(BM_G2MulCt)->Unit(benchmark::kMicrosecond);

void BM_G2MulVar(benchmark::State& st) {
  G2Affine p = random_g2();
  Fr k = random_fr();
  for (auto _ : st) benchmark::DoNotOptimize(g2_mul_var(p, k));
}
BENCHMARK(BM_G2MulVar)->Unit(benchmark::kMicrosecond);

void BM_G2SubgroupTest(benchmark::State& st) {
  G2Affine p = random_g2();
  for (auto _ : st) benchmark::DoNotOptimize(g2_in_subgroup_var(p));
}
BENCHMARK(BM_G2SubgroupTest)->Unit(benchmark::kMicrosecond);

void BM_G2Decode(benchmark::State& st) {
  G2Words w = w_from_g2(random_g2());
  for (auto _ : st) benchmark::DoNotOptimize(g2_from_w(w));
}
BENCHMARK(BM_G2Decode)->Unit(benchmark::kMicrosecond);

void BM_ProductIsOne(benchmark::State& st) {
  const int n = (int)st.range(0);
  std::vector<PairingInput> pairs;
  for (int i = 0; i < n; ++i) pairs.emplace_back(random_g1(), random_g2());
  for (auto _ : st) benchmark::DoNotOptimize(product_is_one(pairs));
}
BENCHMARK(BM_ProductIsOne)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

void BM_MillerLoop(benchmark::State& st) {
  const int n = (int)st.range(0);
  std::vector<PairingInput> pairs;
  for (int i = 0; i < n; ++i) pairs.emplace_back(random_g1(), random_g2());
  for (auto _ : st) benchmark::DoNotOptimize(miller_loop(pairs));
}
BENCHMARK(BM_MillerLoop)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

void BM_FinalExponentiation(benchmark::State& st) {
  std::vector<PairingInput> pairs = {{random_g1(), random_g2()}};
  const Fq12 f = miller_loop(pairs);
  for (auto _ : st) benchmark::DoNotOptimize(final_exponentiation(f));
}
BENCHMARK(BM_FinalExponentiation)->Unit(benchmark::kMicrosecond);

}  // namespace
