#include <gtest/gtest.h>

#include <string>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/pedersen.h"

using vorn::W;
using vorn::bn254::Fq;
namespace h = vorn::hash;

namespace {

// The search redone from its definition, with the square root taken as the plain
// power s^((q+1)/4) (exponent written out) instead of Fq::sqrt, and the tag and
// counter bytes assembled by hand.
bool independent_candidate(uint32_t i, W& x_out, W& y_out) {
  std::string msg = "VeltriaVorn/Pedersen/H/v2";
  msg.push_back(char(i >> 24));
  msg.push_back(char(i >> 16));
  msg.push_back(char(i >> 8));
  msg.push_back(char(i));
  EXPECT_EQ(msg.size(), 29u);
  const W d = h::keccak_raw(h::as_bytes(msg));
  const Fq x = Fq::from_w_reduce(d);
  const Fq s = x * x * x + Fq::from_u64(3);
  // (q + 1) / 4 = 0x0c19139cb84c680a6e14116da060561765e05aa45a1c72a34f082305b61f3f52
  const uint64_t e[4] = {0x4f082305b61f3f52ULL, 0x65e05aa45a1c72a3ULL, 0x6e14116da0605617ULL, 0x0c19139cb84c680aULL};
  Fq y = s.pow(e);
  if (!(y * y == s)) return false;
  W yw = y.to_w();
  if (yw.b[31] & 1) yw = (-y).to_w();
  x_out = x.to_w();
  y_out = yw;
  return true;
}

}  // namespace

TEST(Pedersen, GeneratorEqualsAnIndependentSearch) {
  W x, y;
  uint32_t first = 256;
  for (uint32_t i = 0; i < 256 && first == 256; ++i)
    if (independent_candidate(i, x, y)) first = i;
  ASSERT_LT(first, 8u) << "the search should succeed within the first few counters";

  auto got = h::h_pedersen();
  ASSERT_TRUE(got.ok()) << got.error().msg;
  EXPECT_EQ((*got)[0], x);
  EXPECT_EQ((*got)[1], y);
  auto affine = h::h_pedersen_affine();
  ASSERT_TRUE(affine.ok());
  EXPECT_EQ(affine->x.to_w(), x);
  EXPECT_EQ(affine->y.to_w(), y);
}

TEST(Pedersen, GeneratorIsAnEvenCurvePointOfOrderR) {
  auto got = h::h_pedersen_affine();
  ASSERT_TRUE(got.ok());
  const auto& p = *got;
  EXPECT_FALSE(p.infinity);
  EXPECT_EQ(p.y * p.y, p.x * p.x * p.x + Fq::from_u64(3));
  EXPECT_EQ(p.y.to_w().b[31] & 1, 0);
  // (r - 1) * H = -H, so r * H is infinity: H lies in the group of order r.
  const W r = vorn::bn254::w_from_fr(vorn::bn254::Fr::zero() - vorn::bn254::Fr::one());  // r - 1
  const auto words = vorn::bn254::w_from_g1(p);
  auto minus_h = vorn::bn254::g1_mul(words, r);
  ASSERT_TRUE(minus_h.ok());
  EXPECT_EQ(*minus_h, vorn::bn254::w_from_g1(-p));
  // The same point on every call.
  auto again = h::h_pedersen();
  EXPECT_EQ(*again, words);
}

TEST(Pedersen, EveryCounterAgreesWithTheIndependentStep) {
  // Both outcomes occur among the first counters, and each matches.
  int squares = 0, non_squares = 0;
  for (uint32_t i = 0; i < 24; ++i) {
    W x, y;
    vorn::bn254::G1Affine c;
    const bool want = independent_candidate(i, x, y);
    ASSERT_EQ(h::pedersen_candidate(i, c), want) << i;
    if (want) {
      EXPECT_EQ(c.x.to_w(), x) << i;
      EXPECT_EQ(c.y.to_w(), y) << i;
      ++squares;
    } else {
      ++non_squares;
    }
  }
  EXPECT_GT(squares, 0);
  EXPECT_GT(non_squares, 0);
}
