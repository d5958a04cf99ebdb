// Every BN254 constant, derived again here from its definition.
#include <gtest/gtest.h>

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

}  // namespace
