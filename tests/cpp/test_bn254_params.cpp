// Every BN254 constant, derived again here from its definition.
#include <gtest/gtest.h>

#include <algorithm>

#include "bn254_oracle.h"
#include "vorn/bn254/fields.h"
#include "vorn/bn254/params.h"

using namespace vorn::bn254;
using oracle::Big;

namespace {

TEST(Params, MontgomeryConstants) {
  struct Case {
    const uint64_t *mod, *r, *r2, *r3;
    uint64_t inv;
  } cases[] = {{params::FQ_MOD, params::FQ_R, params::FQ_R2, params::FQ_R3, params::FQ_INV},
               {params::FR_MOD, params::FR_R, params::FR_R2, params::FR_R3, params::FR_INV}};
  for (auto& c : cases) {
    Big m = oracle::big(c.mod, 4);
    EXPECT_EQ(oracle::to4(oracle::mod(oracle::pow2(256), m)), oracle::to4(oracle::big(c.r, 4)));
    EXPECT_EQ(oracle::to4(oracle::mod(oracle::pow2(512), m)), oracle::to4(oracle::big(c.r2, 4)));
    EXPECT_EQ(oracle::to4(oracle::mod(oracle::pow2(768), m)), oracle::to4(oracle::big(c.r3, 4)));
    EXPECT_EQ(c.inv * c.mod[0], ~0ULL) << "inv must be -p^-1 mod 2^64";
    EXPECT_LT(c.mod[3], 1ULL << 62) << "the carry-free Montgomery product needs a spare top bit";
  }
}

TEST(Params, ModuliFollowFromTheCurveParameter) {
  // q = 36x^4 + 36x^3 + 24x^2 + 6x + 1 and r = 36x^4 + 36x^3 + 18x^2 + 6x + 1.
  Big x = {params::BN_X};
  Big x2 = oracle::mul(x, x), x3 = oracle::mul(x2, x), x4 = oracle::mul(x3, x);
  auto times = [](uint64_t k, const Big& a) { return oracle::mul(Big{k}, a); };
  Big common = oracle::add(oracle::add(times(36, x4), times(36, x3)), oracle::add(times(6, x), Big{1}));
  EXPECT_EQ(oracle::to4(oracle::add(common, times(24, x2))), oracle::to4(oracle::big(params::FQ_MOD, 4)));
  EXPECT_EQ(oracle::to4(oracle::add(common, times(18, x2))), oracle::to4(oracle::big(params::FR_MOD, 4)));
  EXPECT_EQ(oracle::to4(oracle::add(times(6, x), Big{2})), oracle::to4(oracle::big(params::ATE_LOOP, 2)));
  EXPECT_EQ(oracle::to4(times(6, x2)), oracle::to4(oracle::big(params::SIX_X_SQ, 2)));
}

// sum d_i 2^i, and whether any `window` consecutive digits hold two non-zero ones.
template <size_t N>
std::pair<Big, bool> signed_digits(const int8_t (&d)[N], int window) {
  Big pos = {0}, neg = {0};
  bool crowded = false;
  for (size_t i = 0; i < N; ++i) {
    Big term = oracle::mul(Big{(uint64_t)(d[i] < 0 ? -d[i] : d[i])}, oracle::pow2((int)i));
    if (d[i] > 0) pos = oracle::add(pos, term);
    if (d[i] < 0) neg = oracle::add(neg, term);
    if (d[i] != 0 && (d[i] % 2 == 0 || d[i] >= (1 << (window - 1)) || -d[i] >= (1 << (window - 1)))) crowded = true;
    for (int j = 1; j < window && i + j < N; ++j)
      if (d[i] != 0 && d[i + j] != 0) crowded = true;
  }
  return {oracle::sub(pos, neg), crowded};
}

TEST(Params, SignedDigitForms) {
  const Big x = {params::BN_X};
  struct Case {
    std::pair<Big, bool> got;
    Big want;
  } cases[] = {
      {signed_digits(params::ATE_LOOP_NAF, 2), oracle::add(oracle::mul(Big{6}, x), Big{2})},
      {signed_digits(params::BN_X_NAF, 2), x},
      {signed_digits(params::BN_X_WNAF4, 4), x},
  };
  for (auto& c : cases) {
    EXPECT_EQ(oracle::to4(c.got.first), oracle::to4(c.want));
    EXPECT_FALSE(c.got.second) << "digits must be odd, small and spread out";
  }
}

}  // namespace

#include "vorn/bn254/towers.h"

namespace {

TEST(Params, FrobeniusCoefficients) {
  const Fq2 xi{Fq::from_u64(9), Fq::one()};
  const uint64_t (*f1[5])[4] = {params::FROB1_1, params::FROB1_2, params::FROB1_3, params::FROB1_4,
                                params::FROB1_5};
  const uint64_t (*f2[5])[4] = {params::FROB2_1, params::FROB2_2, params::FROB2_3, params::FROB2_4,
                                params::FROB2_5};
  const uint64_t (*f3[5])[4] = {params::FROB3_1, params::FROB3_2, params::FROB3_3, params::FROB3_4,
                                params::FROB3_5};
  // (q - 1) / 6 as limbs
  Big e = oracle::sub(oracle::big(params::FQ_MOD, 4), Big{1});
  Big sixth = Big(4, 0);
  {
    // long division of e by 6 over 64-bit limbs
    unsigned __int128 rem = 0;
    for (int i = 3; i >= 0; --i) {
      unsigned __int128 cur = (rem << 64) | e[i];
      sixth[i] = (uint64_t)(cur / 6);
      rem = cur % 6;
    }
    ASSERT_EQ((uint64_t)rem, 0u);
  }
  Fq2 g = xi.pow(sixth.data());  // xi^((q-1)/6)
  Fq2 gi = Fq2::one();
  for (int i = 0; i < 5; ++i) {
    gi = gi * g;  // xi^(i (q-1)/6), i = 1..5
    Fq2 c1 = Fq2::from_mont(f1[i]);
    EXPECT_EQ(c1, gi) << "FROB1_" << i + 1;
    // xi^(i (q^2-1)/6) = gi^(q+1) and xi^(i (q^3-1)/6) = gi^(q^2+q+1) = gi^2 conj(gi)
    EXPECT_EQ(Fq2::from_mont(f2[i]), gi * gi.conj()) << "FROB2_" << i + 1;
    EXPECT_TRUE(Fq::from_mont(f2[i][1]).is_zero());
    EXPECT_EQ(Fq2::from_mont(f3[i]), gi.sqr() * gi.conj()) << "FROB3_" << i + 1;
  }
}

TEST(Params, TwistAndEndomorphismConstants) {
  const Fq2 xi{Fq::from_u64(9), Fq::one()};
  const Fq2 b = Fq2::from_mont(params::TWIST_B);
  EXPECT_EQ(b * xi, (Fq2{Fq::from_u64(3), Fq::zero()}));
  EXPECT_EQ(Fq2::from_mont(params::TWIST_B3), b.dbl() + b);

  const Fq beta = Fq::from_mont(params::GLV_BETA);
  EXPECT_NE(beta, Fq::one());
  EXPECT_EQ(beta.sqr() * beta, Fq::one());
  const Fr lambda = Fr::from_limbs(params::GLV_LAMBDA);
  EXPECT_EQ(lambda.sqr() + lambda + Fr::one(), Fr::zero());

  // The basis vectors lie in the lattice: a + b*lambda = 0 mod r.
  auto fr2 = [](const uint64_t* l) {
    const uint64_t t[4] = {l[0], l[1], 0, 0};
    return Fr::from_limbs(t);
  };
  Fr a1 = fr2(params::GLV_A1), b1 = -fr2(params::GLV_B1_NEG), a2 = fr2(params::GLV_A2);
  Fr b2 = a1;
  EXPECT_TRUE((a1 + b1 * lambda).is_zero());
  EXPECT_TRUE((a2 + b2 * lambda).is_zero());
  // The rounding multipliers: floor(2^256 * b / r) for b = 2x+1 and 6x^2+2x.
  Big r = oracle::big(params::FR_MOD, 4);
  for (auto [g, num] : {std::pair{params::GLV_G1, oracle::big(params::GLV_A1, 2)},
                        std::pair{params::GLV_G2, oracle::big(params::GLV_B1_NEG, 2)}}) {
    Big prod = oracle::mul(oracle::big(g, 3), r);      // g * r <= 2^256 * num
    Big hi = oracle::mul(num, oracle::pow2(256));
    EXPECT_LE(oracle::cmp(prod, hi), 0);
    EXPECT_GT(oracle::cmp(oracle::add(prod, r), hi), 0);  // (g + 1) * r > 2^256 * num
  }
}

TEST(Params, G2GeneratorOnTheTwist) {
  Fq2 x{Fq::from_limbs(params::G2_X_C0), Fq::from_limbs(params::G2_X_C1)};
  Fq2 y{Fq::from_limbs(params::G2_Y_C0), Fq::from_limbs(params::G2_Y_C1)};
  EXPECT_EQ(y.sqr(), x.sqr() * x + Fq2::from_mont(params::TWIST_B));
}

}  // namespace

namespace {

// Signed values modulo 2^512 (eight limbs): exact for anything below 2^511 in size.
using oracle::Big;
Big wrap512(Big a) {
  a.resize(8, 0);
  return a;
}
Big from_i128(const uint64_t v[2]) {
  const uint64_t ext = (v[1] >> 63) ? ~0ULL : 0;
  return Big{v[0], v[1], ext, ext, ext, ext, ext, ext};
}
Big mul512(const Big& a, const Big& b) { return wrap512(oracle::mul(a, b)); }
Big add512(const Big& a, const Big& b) { return wrap512(oracle::add(a, b)); }
Big neg512(const Big& a) { return add512(Big{~a[0], ~a[1], ~a[2], ~a[3], ~a[4], ~a[5], ~a[6], ~a[7]}, Big{1}); }

TEST(Params, FourWayGlsBasis) {
  const __int128 x = (__int128)params::BN_X;
  // b_j = (coefficient of x, constant) per entry.
  const int f[4][4][2] = {{{2, 1}, {0, 0}, {2, 0}, {0, 1}},
                          {{2, 0}, {1, 1}, {-1, 0}, {1, 0}},
                          {{1, 1}, {1, 0}, {1, 0}, {-2, 0}},
                          {{2, 1}, {-1, 0}, {-1, -1}, {-1, 0}}};
  const uint64_t six_x2[4] = {params::SIX_X_SQ[0], params::SIX_X_SQ[1], 0, 0};
  const Fr l = Fr::from_limbs(six_x2);
  for (int j = 0; j < 4; ++j) {
    Fr sum = Fr::zero(), li = Fr::one();
    for (int i = 0; i < 4; ++i) {
      const unsigned __int128 want = (unsigned __int128)(f[j][i][0] * x + f[j][i][1]);
      EXPECT_EQ(params::GLS4_B[j][i][0], (uint64_t)want) << j << "," << i;
      EXPECT_EQ(params::GLS4_B[j][i][1], (uint64_t)(want >> 64)) << j << "," << i;
      const __int128 v = f[j][i][0] * x + f[j][i][1];
      const uint64_t mag[4] = {(uint64_t)(v < 0 ? -v : v), 0, 0, 0};
      sum += Fr::from_limbs(mag).cneg(v < 0) * li;
      li *= l;
    }
    EXPECT_TRUE(sum.is_zero()) << "b_" << j << " lies in the lattice of L = 6x^2";
  }
  // Determinant -r: with every row in the lattice (index r in Z^4), the rows are a basis.
  Big det = wrap512(Big{0});
  int perm[4] = {0, 1, 2, 3};
  do {
    int inversions = 0;
    for (int a = 0; a < 4; ++a)
      for (int b = a + 1; b < 4; ++b) inversions += perm[a] > perm[b];
    Big term = wrap512(Big{1});
    for (int j = 0; j < 4; ++j) term = mul512(term, from_i128(params::GLS4_B[j][perm[j]]));
    det = add512(det, inversions % 2 ? neg512(term) : term);
  } while (std::next_permutation(perm, perm + 4));
  const Big r = oracle::big(params::FR_MOD, 4);
  EXPECT_EQ(det, neg512(wrap512(r)));

  // N_j from x, sum_j N_j b_j = (r, 0, 0, 0), and G_j = round(2^320 N_j / r).
  const Big bx = {params::BN_X};
  const Big x2 = oracle::mul(bx, bx), x3 = oracle::mul(x2, bx);
  auto times = [](uint64_t k, const Big& a) { return oracle::mul(Big{k}, a); };
  const Big n[4] = {oracle::add(oracle::add(times(6, x3), times(6, x2)), times(2, bx)),
                    oracle::sub(times(6, x3), bx), oracle::add(times(2, bx), Big{1}),
                    oracle::add(oracle::add(times(6, x3), times(6, x2)), bx)};
  for (int j = 0; j < 4; ++j)
    EXPECT_EQ(oracle::to4(n[j]), oracle::to4(oracle::big(params::GLS4_N[j], 3))) << "N_" << j;
  for (int i = 0; i < 4; ++i) {
    Big col = wrap512(Big{0});
    for (int j = 0; j < 4; ++j) col = add512(col, mul512(wrap512(n[j]), from_i128(params::GLS4_B[j][i])));
    EXPECT_EQ(col, wrap512(i == 0 ? r : Big{0})) << "column " << i;
  }
  for (int j = 0; j < 4; ++j) {
    const Big two_gr = oracle::mul(times(2, oracle::big(params::GLS4_G[j], 4)), r);
    const Big target = oracle::mul(n[j], oracle::pow2(321));
    EXPECT_LE(oracle::cmp(two_gr, oracle::add(target, r)), 0) << "G_" << j;
    EXPECT_LE(oracle::cmp(target, oracle::add(two_gr, r)), 0) << "G_" << j;
  }
}

}  // namespace
