#include <gtest/gtest.h>

#include <string>

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
  EXPECT_EQ(got->xw, x);
  EXPECT_EQ(got->yw, y);
  EXPECT_EQ(got->x.to_w(), x);
  EXPECT_EQ(got->y.to_w(), y);
}

TEST(Pedersen, GeneratorIsOnTheCurveWithEvenY) {
  auto got = h::h_pedersen();
  ASSERT_TRUE(got.ok());
  const auto& p = *got;
  EXPECT_EQ(p.y * p.y, p.x * p.x * p.x + Fq::from_u64(3));
  EXPECT_EQ(p.yw.b[31] & 1, 0);
  EXPECT_FALSE(p.x.is_zero() && p.y.is_zero());  // never the point at infinity
  auto again = h::h_pedersen();
  EXPECT_EQ(again->xw, p.xw);
  EXPECT_EQ(again->yw, p.yw);
}

TEST(Pedersen, EveryCounterAgreesWithTheIndependentStep) {
  // Both outcomes occur among the first counters, and each matches.
  int squares = 0, non_squares = 0;
  for (uint32_t i = 0; i < 24; ++i) {
    W x, y;
    h::PedersenH c;
    const bool want = independent_candidate(i, x, y);
    ASSERT_EQ(h::pedersen_candidate(i, c), want) << i;
    if (want) {
      EXPECT_EQ(c.xw, x) << i;
      EXPECT_EQ(c.yw, y) << i;
      ++squares;
    } else {
      ++non_squares;
    }
  }
  EXPECT_GT(squares, 0);
  EXPECT_GT(non_squares, 0);
}
