// Constant-time paths with their secrets marked undefined for valgrind's memcheck.
// Run under valgrind to check that no branch and no memory index depends on a
// secret scalar, point or field element:
//   valgrind --error-exitcode=1 build/<dir>/test_bn254_ct
// Without valgrind the client requests do nothing and the test only checks that
// each routine agrees with its variable-time counterpart.
#include <gtest/gtest.h>
#include <valgrind/memcheck.h>

#include <random>

#include "bn254_points.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/bn254/scalar_split.h"

using namespace vorn::bn254;

namespace {

template <class T>
void secret(T& v) {
  VALGRIND_MAKE_MEM_UNDEFINED(&v, sizeof(T));
}
template <class T>
void reveal(T& v) {
  VALGRIND_MAKE_MEM_DEFINED(&v, sizeof(T));
}

void check_secret_paths() {
  std::mt19937_64 rng(61);
  // Build the fixed-base table before any secret is involved.
  (void)g1_mul_gen_ct(Fr::one());
  for (int i = 0; i < 3; ++i) {
    const Fr k_pub = testpts::random_fr(rng);
    const G1Affine p_pub = g1_mul_var(g1_generator(), testpts::random_fr(rng)).to_affine_var();
    const G2Affine q_pub = g2_mul_var(g2_generator(), testpts::random_fr(rng)).to_affine_var();

    Fr k = k_pub;
    G1Affine p = p_pub;
    G2Affine q = q_pub;
    secret(k);
    secret(p.x);
    secret(p.y);
    secret(q.x);
    secret(q.y);

    G1Affine a = g1_mul_ct(p, k).to_affine();
    G1Affine b = g1_mul_gen_ct(k).to_affine();
    G2Affine c = g2_mul_ct(q, k).to_affine();
    G2Affine c_proj = g2_mul_ct(G2::from_affine(q), k).to_affine();
    uint64_t mag[4], neg[4], mag_pub[4], neg_pub[4];
    detail::gls4_split(k, mag, neg);
    Fr ki = k.inv();
    Fq xi = p.x.inv();
    reveal(a);
    reveal(b);
    reveal(c);
    reveal(c_proj);
    reveal(mag);
    reveal(neg);
    reveal(ki);
    reveal(xi);

    EXPECT_EQ(a, g1_mul_var(p_pub, k_pub).to_affine_var());
    EXPECT_EQ(b, g1_mul_var(g1_generator(), k_pub).to_affine_var());
    EXPECT_EQ(c, g2_mul_var(q_pub, k_pub).to_affine_var());
    EXPECT_EQ(c_proj, c);
    detail::gls4_split(k_pub, mag_pub, neg_pub);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(mag[j], mag_pub[j]);
      EXPECT_EQ(neg[j], neg_pub[j]);
    }
    EXPECT_EQ(ki, k_pub.inv_var());
    EXPECT_EQ(xi, p_pub.x.inv_var());
  }
}

TEST(ConstantTime, SecretScalarsAndPoints) {
#ifdef VORN_BN254_HAVE_ADX
  // Both Montgomery products: the portable one, and the mulx/adx one when the
  // processor has it. Valgrind hides ADX from cpuid but executes the instructions,
  // so under valgrind both are always checked.
  const bool saved = detail::g_use_adx;
  for (bool adx : {false, true}) {
    if (adx && !saved && !RUNNING_ON_VALGRIND) continue;
    detail::g_use_adx = adx;
    check_secret_paths();
  }
  detail::g_use_adx = saved;
#else
  check_secret_paths();
#endif
}

}  // namespace
