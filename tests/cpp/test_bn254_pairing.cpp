// The pairing: bilinearity and non-degeneracy through product_is_one, the
// multi-Miller loop against single pairings, and the final exponentiation's
// addition chain against plain powering by its exponent.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "bn254_oracle.h"
#include "bn254_points.h"
#include "vorn/bn254/pairing.h"

using namespace vorn::bn254;
using namespace testpts;
using oracle::Big;

namespace {

Fq12 pow_big(const Fq12& f, const Big& e) {
  Fq12 r = Fq12::one();
  for (int i = oracle::bit_length(e) - 1; i >= 0; --i) {
    r = r.sqr();
    if (oracle::bit(e, i)) r = r * f;
  }
  return r;
}

std::array<uint64_t, 4> limbs(const Fr& a) {
  std::array<uint64_t, 4> l;
  a.to_limbs(l.data());
  return l;
}

G1Affine g1_times(const Fr& k) { return ref_mul(G1::from_affine(g1_generator()), k).to_affine(); }
G2Affine g2_times(const Fr& k) { return ref_mul(G2::from_affine(g2_generator()), k).to_affine(); }

TEST(Pairing, FinalExponentiationMatchesPlainPowering) {
  // The chain computes f^(m (q^12 - 1) / r) with m = 2x(6x^2 + 3x + 1).
  const Big q = oracle::big(params::FQ_MOD, 4), r = oracle::big(params::FR_MOD, 4);
  const Big x = {params::BN_X};
  const Big q2 = oracle::mul(q, q), q4 = oracle::mul(q2, q2);
  const Big lambda = oracle::div(oracle::sub(oracle::add(q4, Big{1}), q2), r);
  ASSERT_EQ(oracle::cmp(oracle::mul(lambda, r), oracle::sub(oracle::add(q4, Big{1}), q2)), 0);
  const Big m = oracle::mul(oracle::mul(Big{2}, x),
                            oracle::add(oracle::add(oracle::mul(Big{6}, oracle::mul(x, x)), oracle::mul(Big{3}, x)),
                                        Big{1}));
  ASSERT_NE(oracle::cmp(oracle::mod(m, r), Big{0}), 0) << "m must be prime to r";
  const Big hard = oracle::mul(m, lambda);

  std::mt19937_64 rng(41);
  for (int i = 0; i < 2; ++i) {
    uint64_t l[4];
    auto fq = [&] {
      for (auto& x : l) x = rng();
      return Fq::from_limbs_reduce(l);
    };
    auto fq2 = [&] { return Fq2{fq(), fq()}; };
    auto fq6 = [&] { return Fq6{fq2(), fq2(), fq2()}; };
    Fq12 f{fq6(), fq6()};
    // Easy part by Frobenius maps (checked against powering in the tower tests).
    Fq12 easy = f.conj() * f.inv();
    easy = easy.frobenius(2) * easy;
    EXPECT_EQ(final_exponentiation(f), pow_big(easy, hard));
  }
  EXPECT_TRUE(final_exponentiation(Fq12::zero()).is_zero());
  EXPECT_TRUE(final_exponentiation(Fq12::one()).is_one());
}

TEST(Pairing, BilinearAndNonDegenerate) {
  std::mt19937_64 rng(42);
  const G1Affine p = g1_generator();
  const G2Affine q = g2_generator();
  const Fq12 e = pairing(p, q);
  EXPECT_FALSE(e.is_one());
  EXPECT_TRUE(e.pow(params::FR_MOD).is_one()) << "values have order r";
  for (int i = 0; i < 2; ++i) {
    const Fr a = random_fr(rng), b = random_fr(rng);
    const Fq12 eab = pairing(g1_times(a), g2_times(b));
    EXPECT_EQ(eab, e.pow(limbs(a * b).data()));
    EXPECT_EQ(pairing(g1_times(a * b), q), eab);
    EXPECT_EQ(pairing(p, g2_times(a * b)), eab);
  }
}

TEST(Pairing, ProductIsOne) {
  std::mt19937_64 rng(43);
  const Fr a = random_fr(rng), b = random_fr(rng), c = random_fr(rng);
  const G1Affine g = g1_generator();
  const G2Affine h = g2_generator();
  struct Case {
    const char* name;
    std::vector<PairingInput> pairs;
    bool want;
  } cases[] = {
      {"empty", {}, true},
      {"single generator pair", {{g, h}}, false},
      {"P and -P with the same Q", {{g, h}, {-g, h}}, true},
      {"infinity in G1 contributes one", {{G1Affine::identity(), h}}, true},
      {"infinity in G2 contributes one", {{g, G2Affine::identity()}}, true},
      {"e(aP, bQ) e(-abP, Q)", {{g1_times(a), g2_times(b)}, {-g1_times(a * b), h}}, true},
      {"e(aP, bQ) e(-(ab+1)P, Q)", {{g1_times(a), g2_times(b)}, {-g1_times(a * b + Fr::one()), h}}, false},
      {"three pairs", {{g1_times(a), g2_times(b)}, {g1_times(c), g2_times(a)}, {-g1_times(a * (b + c)), h}}, true},
      {"four pairs with infinity",
       {{g1_times(a), g2_times(b)}, {G1Affine::identity(), g2_times(c)}, {g1_times(c), G2Affine::identity()},
        {-g1_times(b), g2_times(a)}},
       true},
      {"four pairs, one wrong",
       {{g1_times(a), g2_times(b)}, {g1_times(c), g2_times(c)}, {-g1_times(c * c), h}, {-g1_times(b), g2_times(a + Fr::one())}},
       false},
  };
  for (auto& cs : cases) EXPECT_EQ(product_is_one(cs.pairs), cs.want) << cs.name;
}

TEST(Pairing, MultiMillerLoopEqualsProductOfPairings) {
  std::mt19937_64 rng(44);
  std::vector<PairingInput> pairs;
  Fq12 prod = Fq12::one();
  for (int i = 0; i < 3; ++i) {
    pairs.emplace_back(g1_times(random_fr(rng)), g2_times(random_fr(rng)));
    prod = prod * pairing(pairs.back().first, pairs.back().second);
  }
  EXPECT_EQ(final_exponentiation(miller_loop(pairs)), prod);
  EXPECT_TRUE(miller_loop({}).is_one());
}

}  // namespace
