// Prime-field arithmetic of Fq and Fr against a plain schoolbook oracle.
#include <gtest/gtest.h>

#include <array>
#include <random>

#include "bn254_oracle.h"
#include "vorn/bn254/fields.h"

using namespace vorn::bn254;
using oracle::Big;

namespace {

template <class F>
struct Traits;
template <>
struct Traits<Fq> {
  static const uint64_t* mod() { return params::FQ_MOD; }
  static uint64_t inv() { return params::FQ_INV; }
};
template <>
struct Traits<Fr> {
  static const uint64_t* mod() { return params::FR_MOD; }
  static uint64_t inv() { return params::FR_INV; }
};

template <class F>
Big modulus() {
  return oracle::big(Traits<F>::mod(), 4);
}

template <class F>
std::array<uint64_t, 4> limbs(const F& a) {
  std::array<uint64_t, 4> r;
  a.to_limbs(r.data());
  return r;
}

// Values below p that exercise carries: 0, 1, 2, p-1, p-2, (p-1)/2, 2^64-1, 2^192 and
// seeded random ones.
template <class F>
std::vector<std::array<uint64_t, 4>> sample_values(int random_count) {
  const Big p = modulus<F>();
  std::vector<std::array<uint64_t, 4>> v = {
      {0, 0, 0, 0}, {1, 0, 0, 0}, {2, 0, 0, 0}, {~0ULL, 0, 0, 0}, {0, 0, 0, 1},
  };
  v.push_back(oracle::to4(oracle::sub(p, Big{1})));
  v.push_back(oracle::to4(oracle::sub(p, Big{2})));
  auto half = oracle::to4(p);
  for (int i = 0; i < 4; ++i) half[i] = (half[i] >> 1) | (i < 3 ? half[i + 1] << 63 : 0);
  v.push_back(half);
  std::mt19937_64 rng(0xb254);
  for (int i = 0; i < random_count; ++i) {
    Big x = {rng(), rng(), rng(), rng()};
    v.push_back(oracle::to4(oracle::mod(x, p)));
  }
  return v;
}

template <class F>
class FieldTest : public ::testing::Test {};
using Fields = ::testing::Types<Fq, Fr>;
TYPED_TEST_SUITE(FieldTest, Fields);

TYPED_TEST(FieldTest, ArithmeticMatchesOracle) {
  using F = TypeParam;
  const Big p = modulus<F>();
  auto vals = sample_values<F>(24);
  for (auto& a : vals)
    for (auto& b : vals) {
      F fa = F::from_limbs(a.data()), fb = F::from_limbs(b.data());
      Big A = oracle::big(a.data(), 4), B = oracle::big(b.data(), 4);
      ASSERT_EQ(limbs(fa * fb), oracle::to4(oracle::mod(oracle::mul(A, B), p)));
      ASSERT_EQ(limbs(fa + fb), oracle::to4(oracle::mod(oracle::add(A, B), p)));
      ASSERT_EQ(limbs(fa - fb), oracle::to4(oracle::mod(oracle::sub(oracle::add(A, p), B), p)));
      // The portable C paths give the same Montgomery limbs as the selected ones.
      F r;
      detail::mont_mul_portable(r.v, fa.v, fb.v, Traits<F>::mod(), Traits<F>::inv());
      ASSERT_EQ(r, fa * fb);
      detail::mod_add_portable(r.v, fa.v, fb.v, Traits<F>::mod());
      ASSERT_EQ(r, fa + fb);
      detail::mod_sub_portable(r.v, fa.v, fb.v, Traits<F>::mod());
      ASSERT_EQ(r, fa - fb);
      // 9a + b and 9a - b (the multiplication by xi in Fq2).
      const Big nine_a = oracle::mul(Big{9}, A);
      ASSERT_EQ(limbs(fa.times9_plus(fb)), oracle::to4(oracle::mod(oracle::add(nine_a, B), p)));
      ASSERT_EQ(limbs(fa.times9_minus(fb)), oracle::to4(oracle::mod(oracle::sub(oracle::add(nine_a, p), B), p)));
      detail::mod_mul9_add_portable(r.v, fa.v, fb.v, Traits<F>::mod());
      ASSERT_EQ(r, fa.times9_plus(fb));
      detail::mod_mul9_sub_portable(r.v, fa.v, fb.v, Traits<F>::mod());
      ASSERT_EQ(r, fa.times9_minus(fb));
    }
  for (auto& a : vals) {
    F fa = F::from_limbs(a.data());
    Big A = oracle::big(a.data(), 4);
    EXPECT_EQ(limbs(fa.sqr()), oracle::to4(oracle::mod(oracle::mul(A, A), p)));
    EXPECT_EQ(limbs(fa.dbl()), oracle::to4(oracle::mod(oracle::add(A, A), p)));
    EXPECT_EQ(limbs(-fa), oracle::to4(oracle::mod(oracle::sub(p, A), p)));
    EXPECT_EQ(limbs(fa), a) << "round trip through Montgomery form";
  }
}

TYPED_TEST(FieldTest, CompoundAssignmentAndIdentities) {
  using F = TypeParam;
  auto vals = sample_values<F>(8);
  for (auto& a : vals) {
    F x = F::from_limbs(a.data());
    F y = x;
    y += F::one();
    y -= F::one();
    y *= F::one();
    EXPECT_EQ(y, x);
    EXPECT_EQ(x + F::zero(), x);
    EXPECT_TRUE((x - x).is_zero());
    EXPECT_EQ(x + (-x), F::zero());
  }
  EXPECT_EQ(F::from_u64(0), F::zero());
  EXPECT_EQ(F::from_u64(1), F::one());
  EXPECT_EQ(F::from_u64(5) * F::from_u64(7), F::from_u64(35));
  EXPECT_FALSE(F::one() == F::zero());
}

TYPED_TEST(FieldTest, InversesAgreeAndZeroMapsToZero) {
  using F = TypeParam;
  for (auto& a : sample_values<F>(24)) {
    F x = F::from_limbs(a.data());
    F i1 = x.inv(), i2 = x.inv_var();
    EXPECT_EQ(i1, i2);
    if (x.is_zero()) {
      EXPECT_TRUE(i1.is_zero());
    } else {
      EXPECT_EQ(x * i1, F::one());
    }
  }
}

TYPED_TEST(FieldTest, InverseMatchesFermatAcrossShapes) {
  // Divstep counts depend on the bit pattern: powers of two, 2^k - 1, p - 2^k and
  // many random values, each against a^(p-2).
  using F = TypeParam;
  const uint64_t* m = Traits<F>::mod();
  const uint64_t pm2[4] = {m[0] - 2, m[1], m[2], m[3]};
  std::vector<F> xs;
  F two_k = F::one();
  for (int k = 0; k < 254; ++k, two_k = two_k.dbl()) {
    xs.push_back(two_k);
    xs.push_back(two_k - F::one());
    xs.push_back(-two_k);
  }
  std::mt19937_64 rng(99);
  for (int i = 0; i < 1000; ++i) {
    uint64_t l[4] = {rng(), rng(), rng(), rng()};
    xs.push_back(F::from_limbs_reduce(l));
  }
  for (const F& x : xs) {
    const F want = x.pow(pm2);
    ASSERT_EQ(x.inv(), want);
    ASSERT_EQ(x.inv_var(), want);
  }
  // The variable-time divsteps take runs of steps together; many more random values
  // (every run length and cancellation width) against the constant-time inverse.
  for (int i = 0; i < 50000; ++i) {
    uint64_t l[4] = {rng(), rng(), rng(), rng() >> (i % 64)};
    const F x = F::from_limbs_reduce(l);
    ASSERT_EQ(x.inv_var(), x.inv());
  }
}

TYPED_TEST(FieldTest, PowMatchesFermat) {
  using F = TypeParam;
  const uint64_t* m = Traits<F>::mod();
  const uint64_t pm1[4] = {m[0] - 1, m[1], m[2], m[3]};
  const uint64_t zero[4] = {0, 0, 0, 0};
  const uint64_t five[4] = {5, 0, 0, 0};
  for (auto& a : sample_values<F>(6)) {
    F x = F::from_limbs(a.data());
    if (!x.is_zero()) {
      EXPECT_EQ(x.pow(pm1), F::one());
    }
    EXPECT_EQ(x.pow(zero), F::one());
    EXPECT_EQ(x.pow(five), x.sqr().sqr() * x);
  }
}

TYPED_TEST(FieldTest, BigEndianCodecsAtTheBoundaries) {
  using F = TypeParam;
  const Big p = modulus<F>();
  auto be = [](const Big& v) {
    vorn::W w;
    auto l = oracle::to4(v);
    for (int i = 0; i < 32; ++i) w.b[31 - i] = (uint8_t)(l[i / 8] >> (8 * (i % 8)));
    return w;
  };
  const Big pm1 = oracle::sub(p, Big{1});
  const Big all_ones = {~0ULL, ~0ULL, ~0ULL, ~0ULL};
  struct Case {
    Big value;
    bool strict_ok;
  } cases[] = {{Big{0}, true}, {Big{1}, true}, {pm1, true}, {p, false}, {oracle::add(p, Big{1}), false},
               {all_ones, false}};
  for (auto& c : cases) {
    vorn::W w = be(c.value);
    F out = F::from_u64(77);
    EXPECT_EQ(F::from_w_strict(w, out), c.strict_ok);
    if (c.strict_ok) {
      EXPECT_EQ(out.to_w(), w);
    } else {
      EXPECT_EQ(out, F::from_u64(77)) << "a rejected value leaves the output untouched";
    }
    EXPECT_EQ(F::from_w_reduce(w).to_w(), be(oracle::mod(c.value, p)));
  }
}

TYPED_TEST(FieldTest, ReduceAnyLength) {
  using F = TypeParam;
  const Big p = modulus<F>();
  EXPECT_TRUE(F::from_be_reduce(nullptr, 0).is_zero());
  std::mt19937_64 rng(7);
  for (size_t len : {1u, 31u, 32u, 33u, 63u, 64u, 65u, 100u}) {
    std::vector<uint8_t> buf(len);
    for (int variant = 0; variant < 3; ++variant) {
      for (auto& b : buf) b = variant == 0 ? 0xff : variant == 1 ? (uint8_t)rng() : 0;
      if (variant == 2) buf[len - 1] = 3;
      F got = F::from_be_reduce(buf.data(), buf.size());
      Big want = oracle::mod(oracle::from_be(buf.data(), buf.size()), p);
      EXPECT_EQ(limbs(got), oracle::to4(want)) << "len " << len << " variant " << variant;
    }
  }
}

TYPED_TEST(FieldTest, SelectAndConditionalNegation) {
  using F = TypeParam;
  F a = F::from_u64(3), b = F::from_u64(9);
  EXPECT_EQ(F::select(1, a, b), a);
  EXPECT_EQ(F::select(0, a, b), b);
  EXPECT_EQ(a.cneg(1), -a);
  EXPECT_EQ(a.cneg(0), a);
}

TEST(Fq, SqrtOfSquaresAndNonSquares) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20; ++i) {
    uint64_t l[4] = {rng(), rng(), rng(), rng() >> 4};
    Fq a = Fq::from_limbs_reduce(l);
    Fq s;
    ASSERT_TRUE(a.sqr().sqrt(s));
    EXPECT_TRUE(s == a || s == -a);
    // q = 3 mod 4, so -1 is not a square and exactly one of a^2, -a^2 is.
    if (!a.is_zero()) {
      Fq t = Fq::from_u64(99);
      EXPECT_FALSE((-a.sqr()).sqrt(t));
      EXPECT_EQ(t, Fq::from_u64(99));
    }
  }
  Fq z;
  ASSERT_TRUE(Fq::zero().sqrt(z));
  EXPECT_TRUE(z.is_zero());
  Fq four_root;
  ASSERT_TRUE(Fq::from_u64(4).sqrt(four_root));
  EXPECT_TRUE(four_root == Fq::from_u64(2) || four_root == -Fq::from_u64(2));
}

}  // namespace
