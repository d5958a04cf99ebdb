// Scalar multiplication: constant-time, variable-time, fixed-base and multi-scalar
// routines against a plain double-and-add, at the scalar edges; the G2 subgroup test
// against the [6x^2]P == psi(P) criterion.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "bn254_points.h"
#include "bn254_oracle.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/bn254/scalar_split.h"

using namespace vorn::bn254;
using namespace testpts;

namespace {

// The word of r, r + 1 and 2^256 - 1.
vorn::W word_r(uint8_t add_to_last) {
  vorn::W r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 8; ++j) r.b[31 - 8 * i - j] = (uint8_t)(params::FR_MOD[i] >> (8 * j));
  r.b[31] += add_to_last;  // r ends in 0x01, so no carry
  return r;
}

// Scalars that stress recoding and splitting: 0, 1, 2, 15, 16, 17, 31, 32, 33,
// r-1, r-2, (r-1)/2, 2^128 and its neighbours, lambda, 6x^2, the words r, r+1 and
// 2^256-1 reduced, and seeded random ones.
std::vector<Fr> edge_scalars() {
  std::vector<Fr> v;
  for (uint64_t s : {0, 1, 2, 15, 16, 17, 31, 32, 33}) v.push_back(Fr::from_u64(s));
  v.push_back(-Fr::one());
  v.push_back(-Fr::from_u64(2));
  v.push_back((-Fr::one()).half());
  const uint64_t two128[4] = {0, 0, 1, 0};
  v.push_back(Fr::from_limbs(two128));
  v.push_back(Fr::from_limbs(two128) + Fr::one());
  v.push_back(Fr::from_limbs(two128) - Fr::one());
  v.push_back(Fr::from_limbs(params::GLV_LAMBDA));
  const uint64_t six_x2[4] = {params::SIX_X_SQ[0], params::SIX_X_SQ[1], 0, 0};
  v.push_back(Fr::from_limbs(six_x2));
  v.push_back(Fr::from_limbs(six_x2) - Fr::one());
  vorn::W max;
  max.b.fill(0xff);
  v.push_back(Fr::from_w_reduce(word_r(0)));
  v.push_back(Fr::from_w_reduce(word_r(1)));
  v.push_back(Fr::from_w_reduce(max));
  std::mt19937_64 rng(31);
  for (int i = 0; i < 6; ++i) v.push_back(random_fr(rng));
  return v;
}

// Scalars at the edges of the four-way G2 split: L = 6x^2 and its powers, -L, 2^64
// and its neighbours, the quarter bound, and the ties of the Babai rounding: the two
// scalars around each k with k N_j / r = m + 1/2, for m = 0, 1, N_j / 2 and N_j - 1.
std::vector<Fr> gls4_edge_scalars() {
  std::vector<Fr> v;
  const uint64_t six_x2[4] = {params::SIX_X_SQ[0], params::SIX_X_SQ[1], 0, 0};
  const Fr l = Fr::from_limbs(six_x2);
  for (const Fr& e : {l, l * l, l * l * l, -l, l * l - Fr::one(), -(l * l * l)}) v.push_back(e);
  const uint64_t two64[4] = {0, 1, 0, 0};
  for (const Fr& d : {-Fr::one(), Fr::zero(), Fr::one()}) v.push_back(Fr::from_limbs(two64) + d);
  v.push_back(Fr::from_u64(vorn::bn254::detail::kGls4Bound));
  v.push_back(Fr::from_u64(vorn::bn254::detail::kGls4Bound - 1));
  const oracle::Big r = oracle::big(params::FR_MOD, 4);
  for (int j = 0; j < 4; ++j) {
    const oracle::Big n = oracle::big(params::GLS4_N[j], 3);
    for (const oracle::Big& m : {oracle::Big{0}, oracle::Big{1}, oracle::div(n, oracle::Big{2}),
                                 oracle::sub(n, oracle::Big{1})}) {
      const oracle::Big twice = oracle::add(oracle::mul(oracle::Big{2}, m), oracle::Big{1});
      const oracle::Big t = oracle::div(oracle::mul(twice, r), oracle::mul(oracle::Big{2}, n));
      const std::array<uint64_t, 4> t4 = oracle::to4(t);
      v.push_back(Fr::from_limbs(t4.data()));
      v.push_back(Fr::from_limbs(t4.data()) + Fr::one());
    }
  }
  return v;
}

std::vector<Fr> g2_scalars() {
  std::vector<Fr> v = edge_scalars(), g = gls4_edge_scalars();
  v.insert(v.end(), g.begin(), g.end());
  return v;
}

TEST(ScalarMul, WordEdgesReduceAsExpected) {
  EXPECT_TRUE(Fr::from_w_reduce(word_r(0)).is_zero()) << "r reduces to 0";
  EXPECT_EQ(Fr::from_w_reduce(word_r(1)), Fr::one()) << "r + 1 reduces to 1";
}

TEST(ScalarSplit, HalvesRecombineAndStayBelow2To128) {
  std::vector<Fr> ks = edge_scalars();
  std::mt19937_64 rng(36);
  for (int i = 0; i < 300; ++i) ks.push_back(random_fr(rng));
  const Fr lambda = Fr::from_limbs(params::GLV_LAMBDA);
  const oracle::Big six_x2 = oracle::big(params::SIX_X_SQ, 2);
  for (const Fr& k : ks) {
    uint64_t k1[2], k2[2], n1, n2;
    vorn::bn254::detail::glv_split(k, k1, n1, k2, n2);
    const uint64_t l1[4] = {k1[0], k1[1], 0, 0}, l2[4] = {k2[0], k2[1], 0, 0};
    const Fr a = Fr::from_limbs(l1).cneg(n1), b = Fr::from_limbs(l2).cneg(n2);
    ASSERT_EQ(a + b * lambda, k) << "two limbs hold each half, so nothing was cut off";
    // psi split: an exact integer identity k = k1 + k2 6x^2 with k1 < 6x^2.
    vorn::bn254::detail::gls_split(k, k1, k2);
    uint64_t kl[4];
    k.to_limbs(kl);
    const oracle::Big sum = oracle::add(oracle::big(k1, 2), oracle::mul(oracle::big(k2, 2), six_x2));
    ASSERT_EQ(oracle::cmp(sum, oracle::big(kl, 4)), 0);
    ASSERT_LT(oracle::cmp(oracle::big(k1, 2), six_x2), 0);
  }
}

TEST(ScalarSplit, QuartersRecombineAndStayBelowTheBound) {
  std::vector<Fr> ks = g2_scalars();
  std::mt19937_64 rng(38);
  for (int i = 0; i < 20000; ++i) ks.push_back(random_fr(rng));
  const uint64_t six_x2[4] = {params::SIX_X_SQ[0], params::SIX_X_SQ[1], 0, 0};
  const Fr l = Fr::from_limbs(six_x2);
  uint64_t largest[4] = {0, 0, 0, 0};
  for (const Fr& k : ks) {
    uint64_t mag[4], neg[4];
    vorn::bn254::detail::gls4_split(k, mag, neg);
    Fr sum = Fr::zero(), li = Fr::one();
    for (int i = 0; i < 4; ++i) {
      ASSERT_LT(mag[i], vorn::bn254::detail::kGls4Bound) << "quarter " << i;
      ASSERT_LE(neg[i], 1u);
      ASSERT_FALSE(neg[i] && mag[i] == 0) << "zero is never negative";
      const uint64_t m4[4] = {mag[i], 0, 0, 0};
      sum += Fr::from_limbs(m4).cneg(neg[i]) * li;
      li *= l;
      largest[i] = std::max(largest[i], mag[i]);
    }
    ASSERT_EQ(sum, k);
  }
  // The bound is about 3.5x; random scalars reach well past x in every quarter, so a
  // split that left one quarter at zero or shrank the lattice would show here.
  for (int i = 0; i < 4; ++i) EXPECT_GT(largest[i], params::BN_X) << "quarter " << i;
}

TEST(ScalarMul, G1FlavoursAgree) {
  std::mt19937_64 rng(32);
  const G1 g = G1::from_affine(g1_generator());
  std::vector<G1Affine> points = {g1_generator(), ref_mul(g, random_fr(rng)).to_affine(), G1Affine::identity()};
  for (const G1Affine& p : points) {
    const G1 pp = G1::from_affine(p);
    for (const Fr& k : edge_scalars()) {
      const G1 want = ref_mul(pp, k);
      EXPECT_EQ(g1_mul_ct(p, k), want);
      EXPECT_EQ(g1_mul_ct(pp, k), want);
      EXPECT_EQ(g1_mul_var(p, k), want);
      EXPECT_EQ(g1_mul_var(pp, k), want);
      const G1Affine pts[1] = {p};
      const Fr ks[1] = {k};
      EXPECT_EQ(g1_msm_var(pts, ks), want);
      if (p == g1_generator()) {
        EXPECT_EQ(g1_mul_gen_ct(k), want);
        EXPECT_EQ(g1_mul_gen_var(k), want);
      }
    }
  }
}

TEST(ScalarMul, FixedBaseDigitEdges) {
  // The public fixed-base table reads signed base-4096 digits of each GLV half: digit
  // values around +-2048 and 4096 with their carries, every position, and random k.
  std::vector<Fr> ks;
  for (uint64_t v : {1ull, 2ull, 2047ull, 2048ull, 2049ull, 4095ull, 4096ull, 4097ull, 6143ull, 6144ull, 6145ull,
                     (1ull << 24) - 1, (1ull << 24) + 2048, ~0ull})
    ks.push_back(Fr::from_u64(v));
  Fr pow = Fr::one();
  const Fr base = Fr::from_u64(4096);
  for (int i = 0; i < 22; ++i, pow = pow * base) {
    ks.push_back(pow * Fr::from_u64(2048));
    ks.push_back(pow * Fr::from_u64(2049));
    ks.push_back(pow * Fr::from_u64(4095) - Fr::one());
    ks.push_back(-(pow * Fr::from_u64(2048)));
  }
  std::mt19937_64 rng(36);
  for (int i = 0; i < 300; ++i) ks.push_back(random_fr(rng));
  for (const Fr& k : ks) {
    ASSERT_EQ(g1_mul_gen_var(k), g1_mul_gen_ct(k));
    const G1Affine g = g1_generator(), pts[3] = {g, g, g};
    const Fr three[3] = {k, Fr::one(), -Fr::one()};
    ASSERT_EQ(g1_msm_var(pts, three), g1_mul_gen_ct(k));  // generator terms summed first
  }
}

TEST(ScalarMul, G2FlavoursAgree) {
  std::mt19937_64 rng(33);
  const G2 h = G2::from_affine(g2_generator());
  std::vector<G2Affine> points = {g2_generator(), ref_mul(h, random_fr(rng)).to_affine(), G2Affine::identity()};
  for (const G2Affine& p : points) {
    const G2 pp = G2::from_affine(p);
    for (const Fr& k : g2_scalars()) {
      const G2 want = ref_mul(pp, k);
      EXPECT_EQ(g2_mul_ct(p, k), want);
      EXPECT_EQ(g2_mul_ct(pp, k), want);
      EXPECT_EQ(g2_mul_var(p, k), want);
      EXPECT_EQ(g2_mul_var(pp, k), want);
    }
  }
}

TEST(ScalarMul, MultiScalarSums) {
  std::mt19937_64 rng(34);
  const G1 g = G1::from_affine(g1_generator());
  const G1Affine p1 = ref_mul(g, random_fr(rng)).to_affine();
  const G1Affine p2 = ref_mul(g, random_fr(rng)).to_affine();
  struct Case {
    std::vector<G1Affine> pts;
    std::vector<Fr> ks;
  };
  const Fr a = random_fr(rng), b = random_fr(rng), c = random_fr(rng);
  std::vector<Case> cases = {
      {{}, {}},
      {{g1_generator(), p1}, {a, b}},
      {{g1_generator(), p1, p2}, {a, b, c}},
      {{p1, -p1}, {a, a}},                                 // cancels to the identity
      {{p1, p1, g1_generator(), g1_generator()}, {a, b, c, -c}},  // repeated points
      {{p1, G1Affine::identity(), p2}, {a, b, Fr::zero()}},
  };
  std::vector<G1Affine> eight;
  std::vector<Fr> eight_k;
  for (int i = 0; i < 8; ++i) {
    eight.push_back(i == 3 ? g1_generator() : ref_mul(g, random_fr(rng)).to_affine());
    eight_k.push_back(i == 5 ? -Fr::one() : random_fr(rng));
  }
  cases.push_back({eight, eight_k});
  for (size_t ci = 0; ci < cases.size(); ++ci) {
    const Case& cs = cases[ci];
    G1 want = G1::identity();
    for (size_t i = 0; i < cs.pts.size(); ++i) want += ref_mul(G1::from_affine(cs.pts[i]), cs.ks[i]);
    EXPECT_EQ(g1_msm_var(cs.pts, cs.ks), want) << "case " << ci;
  }
}

// The defining criterion: P in G2 exactly when [6x^2]P == psi(P).
bool in_subgroup_oracle(const G2Affine& p) {
  const uint64_t six_x2[4] = {params::SIX_X_SQ[0], params::SIX_X_SQ[1], 0, 0};
  return ref_mul(G2::from_affine(p), six_x2) == G2::from_affine(g2_psi(p));
}

TEST(SubgroupTest, AgreesWithTheSixXSquaredCriterion) {
  std::mt19937_64 rng(35);
  const G2 h = G2::from_affine(g2_generator());
  int outside = 0;
  for (int i = 0; i < 6; ++i) {
    G2Affine in = ref_mul(h, random_fr(rng)).to_affine();
    EXPECT_TRUE(g2_in_subgroup_var(in));
    EXPECT_TRUE(in_subgroup_oracle(in));
    G2Affine out = random_twist_point(rng);
    ASSERT_TRUE(out.is_on_curve());
    EXPECT_EQ(g2_in_subgroup_var(out), in_subgroup_oracle(out));
    outside += !g2_in_subgroup_var(out);
    // A subgroup point plus an outsider is outside; its order is not r.
    G2Affine mixed = (G2::from_affine(in) + G2::from_affine(out)).to_affine();
    EXPECT_FALSE(g2_in_subgroup_var(mixed));
    EXPECT_FALSE(in_subgroup_oracle(mixed));
    EXPECT_FALSE(ref_mul(G2::from_affine(out), params::FR_MOD).is_identity());
  }
  EXPECT_EQ(outside, 6);
  EXPECT_TRUE(g2_in_subgroup_var(g2_generator()));
  EXPECT_TRUE(g2_in_subgroup_var(G2Affine::identity()));
}

TEST(SubgroupTest, RejectsSmallOrderTwistPoints) {
  // The twist has r (2q - r) points and 2q - r = 10069 * c. [r c]P has order 10069
  // (or is the identity) for any twist point P.
  const uint64_t c[4] = {0x6c3cd334915f1659ULL, 0x207142f7671af448ULL, 0x9e28bcf65b5681daULL,
                         0x00013af7a58fce69ULL};
  const uint64_t ell[4] = {10069, 0, 0, 0};
  std::mt19937_64 rng(37);
  const G2 h = G2::from_affine(g2_generator());
  int found = 0;
  for (int i = 0; i < 4; ++i) {
    const G2 t = ref_mul(ref_mul(G2::from_affine(random_twist_point(rng)), params::FR_MOD), c);
    if (t.is_identity()) continue;
    ++found;
    EXPECT_TRUE(ref_mul(t, ell).is_identity());
    const G2Affine small = t.to_affine();
    EXPECT_FALSE(g2_in_subgroup_var(small));
    EXPECT_FALSE(in_subgroup_oracle(small));
    const G2Affine mixed = (t + ref_mul(h, random_fr(rng))).to_affine();  // order 10069 r
    EXPECT_FALSE(g2_in_subgroup_var(mixed));
    EXPECT_FALSE(in_subgroup_oracle(mixed));
  }
  EXPECT_GT(found, 0);
}

}  // namespace
