// Squares and sums of products with one Montgomery reduction, against a schoolbook
// oracle and the one-product-at-a-time field arithmetic, on every code path.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "bn254_oracle.h"
#include "vorn/bn254/fields.h"
#include "product_paths.h"

using namespace vorn::bn254;
using oracle::Big;

namespace {

template <class F>
struct Traits;
template <>
struct Traits<Fq> {
  static constexpr const uint64_t* M = FqParams::MODX;
};
template <>
struct Traits<Fr> {
  static constexpr const uint64_t* M = FrParams::MODX;
};

template <class F>
Big modulus() {
  return oracle::big(Traits<F>::M, 4);
}

template <class F>
std::array<uint64_t, 4> limbs(const F& a) {
  std::array<uint64_t, 4> r;
  a.to_limbs(r.data());
  return r;
}

// The element whose Montgomery limbs are p - 1: the largest operand the products see.
template <class F>
F top() {
  const uint64_t* m = Traits<F>::M;
  const uint64_t l[4] = {m[0] - 1, m[1], m[2], m[3]};
  return F::from_mont(l);
}

// n operands drawn from a pattern: all with limbs p - 1 (the largest sum, which needs
// every conditional subtraction), all zero, or seeded random values mixed with that
// largest one, 0 and 1.
enum class Fill { Max, Zero, Mixed };

template <class F>
std::vector<F> operands(size_t n, Fill fill, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<F> v;
  for (size_t i = 0; i < n; ++i) {
    switch (fill) {
      case Fill::Max: v.push_back(top<F>()); break;
      case Fill::Zero: v.push_back(F::zero()); break;
      case Fill::Mixed: {
        const uint64_t pick = rng() % 5;
        uint64_t l[4] = {rng(), rng(), rng(), rng()};
        v.push_back(pick == 0 ? top<F>() : pick == 1 ? F::zero() : pick == 2 ? F::one() : F::from_limbs_reduce(l));
      }
    }
  }
  return v;
}

// (c + sum a_k b_k) mod p on canonical values.
template <class F>
std::array<uint64_t, 4> oracle_sum(const std::vector<F>& a, const std::vector<F>& b, size_t n, const F& c) {
  const Big p = modulus<F>();
  auto cl = limbs(c);
  Big acc = oracle::big(cl.data(), 4);
  for (size_t k = 0; k < n; ++k) {
    auto x = limbs(a[k]), y = limbs(b[k]);
    acc = oracle::mod(oracle::add(acc, oracle::mul(oracle::big(x.data(), 4), oracle::big(y.data(), 4))), p);
  }
  return oracle::to4(acc);
}

// The limbs of consecutive elements as one array (null for none).
template <class F>
const uint64_t* words(const std::vector<F>& v) {
  return reinterpret_cast<const uint64_t*>(v.data());
}

template <class F>
class FieldProducts : public ::testing::Test {};
using Fields = ::testing::Types<Fq, Fr>;
TYPED_TEST_SUITE(FieldProducts, Fields);

constexpr Fill kFills[] = {Fill::Max, Fill::Zero, Fill::Mixed};

// Counts around the one-reduction limit (16) and its multiples, where chunks meet.
TYPED_TEST(FieldProducts, AnyCountMatchesOracle) {
  using F = TypeParam;
  const F largest = top<F>();
  for (size_t n : {0, 1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 31, 32, 33, 40}) {
    for (Fill fill : kFills) {
      const auto a = operands<F>(n, fill, 10 * n + 1), b = operands<F>(n, fill, 10 * n + 2);
      for (const F& c : {F::zero(), largest}) {
        const F got = F::sum_of_products_plus(a.data(), b.data(), n, c);
        ASSERT_TRUE(F::lt_mod(got.v)) << "n " << n << ": not fully reduced";
        ASSERT_EQ(limbs(got), oracle_sum(a, b, n, c)) << "n " << n;
        if (c.is_zero()) {
          ASSERT_EQ(F::sum_of_products(a.data(), b.data(), n), got) << "n " << n;
        }
        // The portable code gives the same Montgomery limbs as the selected one.
        F port;
        if (c.is_zero())
          detail::sop_mont<Traits<F>::M, false, 0, false>(port.v, words(a), words(b), n, nullptr);
        else
          detail::sop_mont<Traits<F>::M, false, 0, true>(port.v, words(a), words(b), n, c.v);
        ASSERT_EQ(port, got) << "n " << n;
      }
    }
  }
}

template <class F, size_t N>
void check_fixed_count() {
  const F largest = top<F>();
  for (Fill fill : kFills) {
    const auto a = operands<F>(N, fill, N + 100), b = operands<F>(N, fill, N + 200);
    for (const F& c : {F::zero(), largest, F::one()}) {
      const F runtime = F::sum_of_products_plus(a.data(), b.data(), N, c);
      ASSERT_TRUE(F::lt_mod(runtime.v)) << "N " << N << ": not fully reduced";
      ASSERT_EQ(F::template sum_of_products_plus<N>(a.data(), b.data(), c), runtime) << "N " << N;
      F port;
      detail::sop_mont<Traits<F>::M, false, N, true>(port.v, words(a), words(b), N, c.v);
      ASSERT_EQ(port, runtime) << "N " << N;
    }
    ASSERT_EQ(F::template sum_of_products<N>(a.data(), b.data()), F::sum_of_products(a.data(), b.data(), N)) << "N " << N;
    // One product at a time gives the same value.
    F plain = F::zero();
    for (size_t k = 0; k < N; ++k) plain += a[k] * b[k];
    ASSERT_EQ(F::template sum_of_products<N>(a.data(), b.data()), plain) << "N " << N;
  }
}

TYPED_TEST(FieldProducts, FixedCountsMatchTheRuntimeCount) {
  using F = TypeParam;
  check_fixed_count<F, 1>();
  check_fixed_count<F, 2>();
  check_fixed_count<F, 3>();
  check_fixed_count<F, 4>();
  check_fixed_count<F, 5>();
  check_fixed_count<F, 9>();
  check_fixed_count<F, 16>();
  check_fixed_count<F, 17>();
  check_fixed_count<F, 33>();
}

// The stages may be run in any grouping, as long as all seven run in order.
TYPED_TEST(FieldProducts, StagedSumEqualsTheSumInAnyGrouping) {
  using F = TypeParam;
  constexpr size_t N = 4;
  for (Fill fill : kFills) {
    const auto a = operands<F>(N, fill, 7), b = operands<F>(N, fill, 8);
    const F c = fill == Fill::Zero ? F::zero() : top<F>();
    const F want = F::template sum_of_products_plus<N>(a.data(), b.data(), c);
    typename F::template StagedSum<N> whole(a.data(), b.data(), c);
    whole.template run<0, 7>();
    EXPECT_EQ(whole.result(), want);
    typename F::template StagedSum<N> parts(a.data(), b.data(), c);
    parts.template run<0, 3>();
    parts.template run<3, 5>();
    parts.template run<5, 7>();
    EXPECT_EQ(parts.result(), want);
    typename F::template StagedSum<N> singles(a.data(), b.data(), c);
    singles.template run<0, 1>();
    singles.template run<1, 2>();
    singles.template run<2, 3>();
    singles.template run<3, 4>();
    singles.template run<4, 5>();
    singles.template run<5, 6>();
    singles.template run<6, 7>();
    EXPECT_EQ(singles.result(), want);
  }
}

// The dedicated square equals sqr() and the product a * a (limb for limb) on the
// mulx/adx path and on the portable one, at the edges and on random values.
TYPED_TEST(FieldProducts, SquareEqualsTheProductOnEveryPath) {
  using F = TypeParam;
  const Big p = modulus<F>();
  std::vector<F> vals = {F::zero(), F::one(), -F::one(), top<F>(), F::from_u64(~0ULL)};
  const uint64_t half[4] = {Traits<F>::M[0] >> 1 | Traits<F>::M[1] << 63, Traits<F>::M[1] >> 1 | Traits<F>::M[2] << 63,
                            Traits<F>::M[2] >> 1 | Traits<F>::M[3] << 63, Traits<F>::M[3] >> 1};
  vals.push_back(F::from_mont(half));
  std::mt19937_64 rng(0x5c);
  for (int i = 0; i < 2000; ++i) {
    uint64_t l[4] = {rng(), rng(), rng(), rng()};
    vals.push_back(F::from_limbs_reduce(l));
  }
  on_every_product_path([&] {
    for (const F& a : vals) {
      F prod;
      detail::mont_mul_portable(prod.v, a.v, a.v, Traits<F>::M, Traits<F>::M[4]);
      ASSERT_EQ(a.sqr_dedicated(), prod);
      ASSERT_EQ(a.sqr_dedicated(), a.sqr());
      ASSERT_EQ(a.sqr(), a * a);
      auto x = limbs(a);
      const Big A = oracle::big(x.data(), 4);
      ASSERT_EQ(limbs(a.sqr_dedicated()), oracle::to4(oracle::mod(oracle::mul(A, A), p)));
    }
  });
}

// The product on the mulx/adx path and on the portable one, limb for limb, against
// the oracle: every pair of edge values (Montgomery limbs 0, 1, p - 1, p - 2, (p-1)/2,
// single high words, the largest below 2^254 that are below p) and random ones.
TYPED_TEST(FieldProducts, ProductMatchesOracleOnEveryPath) {
  using F = TypeParam;
  const Big p = modulus<F>();
  const uint64_t* m = Traits<F>::M;
  std::vector<F> vals = {F::zero(), F::one(), -F::one(), top<F>(), F::from_u64(~0ULL)};
  const uint64_t edges[][4] = {{1, 0, 0, 0},
                               {m[0] - 2, m[1], m[2], m[3]},
                               {m[0] >> 1 | m[1] << 63, m[1] >> 1 | m[2] << 63, m[2] >> 1 | m[3] << 63, m[3] >> 1},
                               {~0ULL, ~0ULL, ~0ULL, 0},
                               {0, 0, 0, m[3] - 1},
                               {~0ULL, ~0ULL, ~0ULL, m[3] - 1}};
  for (const auto& e : edges) vals.push_back(F::from_mont(e));
  std::mt19937_64 rng(0x77);
  for (int i = 0; i < 40; ++i) {
    uint64_t l[4] = {rng(), rng(), rng(), rng()};
    vals.push_back(F::from_limbs_reduce(l));
  }
  on_every_product_path([&] {
    for (const F& a : vals)
      for (const F& b : vals) {
        const F got = a * b;
        ASSERT_TRUE(F::lt_mod(got.v));
        auto x = limbs(a), y = limbs(b);
        ASSERT_EQ(limbs(got), oracle::to4(oracle::mod(oracle::mul(oracle::big(x.data(), 4), oracle::big(y.data(), 4)), p)));
        F port;
        detail::mont_mul_portable(port.v, a.v, b.v, m, m[4]);
        ASSERT_EQ(port, got);
      }
  });
}

// The double-width kernels of the extension fields, on every path, against the
// oracle: the 512-bit product of any two values below 2^256 (the unreduced sums of
// two coordinates reach 2p), the reduction t 2^-256 mod p of values up to its bound
// (p 2^256 with one conditional subtraction, 2p 2^256 with two), and the 512-bit sums
// and differences in their plain and x86-64 forms.
TEST(WideKernels, MatchOracleOnEveryPath) {
  const uint64_t* m = FqParams::MODX;
  const Big p = oracle::big(m, 4), r256 = oracle::pow2(256);
  const Big two_p = oracle::add(p, p);
  std::vector<std::array<uint64_t, 4>> ops = {{0, 0, 0, 0}, {1, 0, 0, 0}, {m[0] - 1, m[1], m[2], m[3]},
                                              {~0ULL, ~0ULL, ~0ULL, ~0ULL}};
  ops.push_back(oracle::to4(oracle::sub(two_p, Big{1})));  // the largest unreduced sum
  std::mt19937_64 rng(0xd1);
  for (int i = 0; i < 24; ++i) ops.push_back({rng(), rng(), rng(), rng() >> (i % 3)});
  // Reduction inputs: 0, 1, the largest for each bound, and random values below each.
  const Big bound1 = oracle::mul(p, r256), bound2 = oracle::mul(two_p, r256);
  auto to8 = [](const Big& v) {
    std::array<uint64_t, 8> w{};
    for (size_t i = 0; i < 8 && i < v.size(); ++i) w[i] = v[i];
    return w;
  };
  auto rand_below = [&](const Big& bound) {
    Big v(8);
    for (auto& w : v) w = rng();
    return oracle::mod(v, bound);
  };
  std::vector<Big> reds1 = {Big{0}, Big{1}, oracle::sub(bound1, Big{1})};
  std::vector<Big> reds2 = {Big{0}, oracle::sub(bound1, Big{1}), oracle::sub(bound2, Big{1})};
  for (int i = 0; i < 40; ++i) {
    reds1.push_back(rand_below(bound1));
    reds2.push_back(rand_below(bound2));
  }
  const uint64_t* m2 = detail::ModMultiples<FqParams::MODX>::two;
  // r 2^256 = t (mod p), r < p.
  auto check_redc = [&](const std::array<uint64_t, 4>& r, const Big& t) {
    const Big rb = oracle::big(r.data(), 4);
    ASSERT_LT(oracle::cmp(rb, p), 0);
    ASSERT_EQ(oracle::cmp(oracle::mod(oracle::mul(rb, r256), p), oracle::mod(t, p)), 0);
  };
  on_every_product_path([&] {
    for (const auto& a : ops)
      for (const auto& b : ops) {
        uint64_t w[8], port[8];
        detail::mul_wide(w, a.data(), b.data());
        detail::mul_wide_portable(port, a.data(), b.data());
        const Big want = oracle::mul(oracle::big(a.data(), 4), oracle::big(b.data(), 4));
        ASSERT_EQ(to8(want), to8(oracle::big(w, 8)));
        ASSERT_EQ(to8(want), to8(oracle::big(port, 8)));
      }
    for (const Big& t : reds1) {
      const auto t8 = to8(t);
      std::array<uint64_t, 4> r, port;
      detail::mont_redc<1>(r.data(), t8.data(), m, m2);
      detail::mont_redc_portable<1>(port.data(), t8.data(), m, m2);
      check_redc(r, t);
      ASSERT_EQ(r, port);
    }
    for (const Big& t : reds2) {
      const auto t8 = to8(t);
      std::array<uint64_t, 4> r, port;
      detail::mont_redc<2>(r.data(), t8.data(), m, m2);
      detail::mont_redc_portable<2>(port.data(), t8.data(), m, m2);
      check_redc(r, t);
      ASSERT_EQ(r, port);
    }
  });
  // Sums and differences (the x86-64 forms when built, against the portable ones and
  // the oracle), with operands chosen so that nothing carries out: a in [2^510, 2^511)
  // and b, c below 2^509.
  for (int i = 0; i < 200; ++i) {
    std::array<uint64_t, 8> a, b, c;
    for (int k = 0; k < 8; ++k) a[k] = rng(), b[k] = rng(), c[k] = rng();
    a[7] = (a[7] >> 1) | (1ULL << 62), b[7] >>= 3, c[7] >>= 3;
    if (i % 5 == 0) a = {~0ULL, ~0ULL, ~0ULL, ~0ULL, ~0ULL, ~0ULL, ~0ULL, ~0ULL >> 1};  // longest carries
    const Big A = oracle::big(a.data(), 8), B = oracle::big(b.data(), 8), C = oracle::big(c.data(), 8);
    uint64_t r[8], port[8];
    detail::wide_add(r, b.data(), c.data());
    detail::wide_add_portable(port, b.data(), c.data());
    ASSERT_EQ(to8(oracle::add(B, C)), to8(oracle::big(r, 8)));
    ASSERT_EQ(to8(oracle::big(r, 8)), to8(oracle::big(port, 8)));
    detail::wide_sub(r, a.data(), b.data());
    detail::wide_sub_portable(port, a.data(), b.data());
    ASSERT_EQ(to8(oracle::sub(A, B)), to8(oracle::big(r, 8)));
    ASSERT_EQ(to8(oracle::big(r, 8)), to8(oracle::big(port, 8)));
    detail::wide_sub2(r, a.data(), b.data(), c.data());
    detail::wide_sub2_portable(port, a.data(), b.data(), c.data());
    ASSERT_EQ(to8(oracle::sub(oracle::sub(A, B), C)), to8(oracle::big(r, 8)));
    ASSERT_EQ(to8(oracle::big(r, 8)), to8(oracle::big(port, 8)));
    detail::wide_add_sub(r, a.data(), b.data(), c.data());
    detail::wide_add_sub_portable(port, a.data(), b.data(), c.data());
    ASSERT_EQ(to8(oracle::sub(oracle::add(A, B), C)), to8(oracle::big(r, 8)));
    ASSERT_EQ(to8(oracle::big(r, 8)), to8(oracle::big(port, 8)));
    // In place, as the towers use them.
    std::array<uint64_t, 8> x = a;
    detail::wide_sub(x.data(), x.data(), b.data());
    ASSERT_EQ(to8(oracle::sub(A, B)), x);
    uint64_t s4[4], p4[4];
    detail::add4(s4, a.data(), b.data());
    detail::add4_portable(p4, a.data(), b.data());
    Big s = oracle::add(oracle::big(a.data(), 4), oracle::big(b.data(), 4));
    s.resize(4);
    ASSERT_EQ(oracle::to4(s), oracle::to4(oracle::big(s4, 4)));
    ASSERT_EQ(oracle::to4(oracle::big(s4, 4)), oracle::to4(oracle::big(p4, 4)));
  }
}

}  // namespace
