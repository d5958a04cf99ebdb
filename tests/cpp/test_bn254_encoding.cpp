// Words, scalars and points at the kernel boundary: the range checks, the decoding
// order and messages, and the word-level primitives' edge cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bn254_oracle.h"
#include "bn254_points.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"

using namespace vorn;
using namespace vorn::bn254;
using oracle::Big;

namespace {

W word_of(const Big& v) {
  W w;
  auto l = oracle::to4(v);
  for (int i = 0; i < 32; ++i) w.b[31 - i] = (uint8_t)(l[i / 8] >> (8 * (i % 8)));
  return w;
}
W word_u64(uint64_t v) { return W::from_u64(v); }
W hexw(const char* h) {
  W w;
  EXPECT_TRUE(w_from_hex64(h, w));
  return w;
}

const Big kQ = oracle::big(params::FQ_MOD, 4);
const Big kR = oracle::big(params::FR_MOD, 4);
const Big kMax = {~0ULL, ~0ULL, ~0ULL, ~0ULL};

template <class T>
std::string message(const Result<T>& r) {
  return r.ok() ? std::string("ok") : r.error().msg;
}

G2Words g2_gen_words() { return w_from_g2(g2_generator()); }

TEST(Encoding, ScalarWords) {
  struct Case {
    Big in;
    Big reduced;
    bool lt_order;
  } cases[] = {
      {Big{0}, Big{0}, true},
      {oracle::sub(kR, Big{1}), oracle::sub(kR, Big{1}), true},
      {kR, Big{0}, false},
      {oracle::add(kR, Big{1}), Big{1}, false},
      {kMax, oracle::mod(kMax, kR), false},
  };
  for (auto& c : cases) {
    EXPECT_EQ(reduce_mod_order(word_of(c.in)), word_of(c.reduced));
    EXPECT_EQ(w_lt_order(word_of(c.in)), c.lt_order);
    EXPECT_EQ(w_from_fr(fr_from_w_reduce(word_of(c.in))), word_of(c.reduced));
  }
  EXPECT_EQ(scalar_from_be_bytes_mod_order(nullptr, 0), W{});
  std::vector<uint8_t> long_bytes(70, 0xff);
  EXPECT_EQ(scalar_from_be_bytes_mod_order(long_bytes.data(), long_bytes.size()),
            word_of(oracle::mod(oracle::from_be(long_bytes.data(), long_bytes.size()), kR)));
  const uint8_t one[1] = {7};
  EXPECT_EQ(scalar_from_be_bytes_mod_order(one, 1), word_u64(7));
}

TEST(Encoding, FieldWordsAreNeverReduced) {
  EXPECT_TRUE(fq_strict(word_of(oracle::sub(kQ, Big{1}))).ok());
  for (const Big& bad : {kQ, oracle::add(kQ, Big{1}), kMax}) {
    auto r = fq_strict(word_of(bad));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().msg, kMsgNotCanonicalFq);
    EXPECT_FALSE(r.error().panic);
  }
}

TEST(Encoding, G1Decoding) {
  const W q = word_of(kQ), zero{};
  struct Case {
    const char* name;
    G1Words w;
    std::string want;  // "ok", "inf" or the message
  } cases[] = {
      {"(0, 0) is infinity", {zero, zero}, "inf"},
      {"generator", {word_u64(1), word_u64(2)}, "ok"},
      {"(0, 1)", {zero, word_u64(1)}, kMsgG1NotOnCurve},
      {"(1, 0)", {word_u64(1), zero}, kMsgG1NotOnCurve},
      {"(1, 3)", {word_u64(1), word_u64(3)}, kMsgG1NotOnCurve},
      {"(q, 2)", {q, word_u64(2)}, kMsgNotCanonicalFq},
      {"(1, 2 + q)", {word_u64(1), word_of(oracle::add(kQ, Big{2}))}, kMsgNotCanonicalFq},
      {"(q, 0): x is checked before anything else", {q, zero}, kMsgNotCanonicalFq},
      {"(2^256 - 1, 3)", {word_of(kMax), word_u64(3)}, kMsgNotCanonicalFq},
  };
  for (auto& c : cases) {
    auto r = g1_from_w(c.w);
    if (c.want == "inf") {
      ASSERT_TRUE(r.ok()) << c.name;
      EXPECT_TRUE(r->infinity) << c.name;
    } else if (c.want == "ok") {
      ASSERT_TRUE(r.ok()) << c.name;
      EXPECT_FALSE(r->infinity);
      EXPECT_EQ(w_from_g1(*r), c.w) << "round trip";
    } else {
      EXPECT_EQ(message(r), c.want) << c.name;
    }
  }
  uint8_t raw[64] = {0};
  raw[31] = 1;
  raw[63] = 2;
  EXPECT_EQ(*g1_from_w(raw), g1_generator());
  EXPECT_EQ(w_from_g1(G1Affine::identity()), G1Words{});
  EXPECT_EQ(w_from_g1(G1::identity()), G1Words{});
}

TEST(Encoding, G2Decoding) {
  const G2Words g = g2_gen_words();
  const W q = word_of(kQ), zero{};
  std::mt19937_64 rng(51);
  const G2Affine outside = testpts::random_twist_point(rng);
  struct Case {
    const char* name;
    G2Words w;
    std::string want;
  } cases[] = {
      {"all zero is infinity", {zero, zero, zero, zero}, "inf"},
      {"generator", g, "ok"},
      {"c0 and c1 swapped in both coordinates", {g[1], g[0], g[3], g[2]}, kMsgG2NotOnCurve},
      {"on the twist, outside the subgroup", w_from_g2(outside), kMsgG2NotInSubgroup},
      {"x.c0 = q", {q, g[1], g[2], g[3]}, kMsgNotCanonicalFq},
      {"y.c1 = q on an otherwise valid point", {g[0], g[1], g[2], q}, kMsgNotCanonicalFq},
      {"non-canonical word wins over the curve check", {g[1], g[0], q, g[2]}, kMsgNotCanonicalFq},
      {"only x zero", {zero, zero, g[2], g[3]}, kMsgG2NotOnCurve},
  };
  for (auto& c : cases) {
    auto r = g2_from_w(c.w);
    if (c.want == "inf") {
      ASSERT_TRUE(r.ok()) << c.name;
      EXPECT_TRUE(r->infinity) << c.name;
    } else if (c.want == "ok") {
      ASSERT_TRUE(r.ok()) << c.name;
      EXPECT_EQ(w_from_g2(*r), c.w) << "round trip";
    } else {
      EXPECT_EQ(message(r), c.want) << c.name;
    }
  }
  uint8_t raw[128];
  for (int i = 0; i < 4; ++i) std::copy(g[i].b.begin(), g[i].b.end(), raw + 32 * i);
  EXPECT_EQ(*g2_from_w(raw), g2_generator());
  EXPECT_EQ(w_from_g2(G2Affine::identity()), G2Words{});
}

TEST(Encoding, RegistryChecks) {
  std::vector<uint8_t> b33(33, 1);
  EXPECT_EQ(message(msg32(b33.data(), 31)), kMsgMsgHashLength);
  EXPECT_EQ(message(msg32(b33.data(), 33)), kMsgMsgHashLength);
  EXPECT_EQ(message(msg32(b33.data(), 0)), kMsgMsgHashLength);
  auto m = msg32(b33.data(), 32);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(*m, W::from_bytes(b33.data()));

  EXPECT_EQ(*face_units(W{}), (FaceUnits)0);
  const FaceUnits max128 = ~(FaceUnits)0;
  EXPECT_TRUE(*face_units(hexw("00000000000000000000000000000000ffffffffffffffffffffffffffffffff")) == max128);
  EXPECT_EQ(message(face_units(hexw("0000000000000000000000000000000100000000000000000000000000000000"))),
            kMsgFaceUnitsRange);
  EXPECT_EQ(message(face_units(word_of(kMax))), kMsgFaceUnitsRange);
  EXPECT_TRUE(*face_units(word_u64(12345)) == (FaceUnits)12345);
  EXPECT_STREQ(kMsgWordOutOfRange, "word out of range (>= 2^256)");
}

TEST(Primitives, G1EdgeCases) {
  const G1Words g = {word_u64(1), word_u64(2)}, inf{};
  const W r = word_of(kR);
  EXPECT_EQ(*g1_mul(g, r), inf);
  EXPECT_EQ(*g1_mul(g, W{}), inf);
  EXPECT_EQ(*g1_mul(g, word_of(oracle::add(kR, Big{1}))), g);
  EXPECT_EQ(*g1_mul(inf, word_u64(5)), inf);
  const G1Words neg = *g1_neg(g);
  EXPECT_EQ(neg[0], word_u64(1));
  EXPECT_EQ(neg[1], word_of(oracle::sub(kQ, Big{2})));
  EXPECT_EQ(*g1_add(g, neg), inf);
  EXPECT_EQ(*g1_neg(inf), inf);
  EXPECT_EQ(*g1_add(inf, g), g);
  EXPECT_EQ(*g1_add(g, g), *g1_mul(g, word_u64(2)));
  // Decoding order: a fails before b is looked at.
  EXPECT_EQ(message(g1_add({word_u64(1), word_u64(3)}, {word_of(kQ), W{}})), kMsgG1NotOnCurve);
  EXPECT_EQ(message(g1_add(g, {word_of(kQ), W{}})), kMsgNotCanonicalFq);
  EXPECT_EQ(message(g1_mul({W{}, word_u64(1)}, word_u64(1))), kMsgG1NotOnCurve);
}

TEST(Primitives, G2EdgeCases) {
  const G2Words g = g2_gen_words(), inf{};
  EXPECT_EQ(*g2_mul(g, word_of(kR)), inf);
  EXPECT_EQ(*g2_mul(g, word_of(oracle::add(kR, Big{1}))), g);
  EXPECT_EQ(*g2_add(g, g), *g2_mul(g, word_u64(2)));
  const G2Words neg = *g2_mul(g, word_of(oracle::sub(kR, Big{1})));
  EXPECT_EQ(*g2_add(g, neg), inf);
  EXPECT_EQ(neg[0], g[0]);
  EXPECT_EQ(neg[1], g[1]);
  EXPECT_EQ(*g2_add(inf, g), g);
  std::mt19937_64 rng(52);
  EXPECT_EQ(message(g2_mul(w_from_g2(testpts::random_twist_point(rng)), word_u64(1))), kMsgG2NotInSubgroup);
}

TEST(Primitives, PairingCheck) {
  const G1Words p = {word_u64(1), word_u64(2)};
  const G1Words neg_p = {word_u64(1), word_of(oracle::sub(kQ, Big{2}))};
  const G2Words q = g2_gen_words(), inf2{};
  const G2Words swapped = {q[1], q[0], q[3], q[2]};
  struct Case {
    const char* name;
    std::vector<PairingWords> pairs;
    std::string want;  // "true", "false" or the message
  } cases[] = {
      {"empty", {}, "true"},
      {"P and -P", {{p, q}, {neg_p, q}}, "true"},
      {"single pair", {{p, q}}, "false"},
      {"G1 infinity", {{G1Words{}, q}}, "true"},
      {"G2 infinity", {{p, inf2}}, "true"},
      {"G1 checked before G2 of the same pair", {{{word_u64(1), word_u64(3)}, swapped}}, kMsgG1NotOnCurve},
      {"first failing pair decides", {{p, swapped}, {{word_of(kQ), W{}}, q}}, kMsgG2NotOnCurve},
      {"failure after a valid pair", {{p, q}, {p, {word_of(kQ), q[1], q[2], q[3]}}}, kMsgNotCanonicalFq},
  };
  for (auto& c : cases) {
    auto r = pairing_check(c.pairs);
    if (c.want == "true" || c.want == "false") {
      ASSERT_TRUE(r.ok()) << c.name << ": " << message(r);
      EXPECT_EQ(*r, c.want == "true") << c.name;
    } else {
      EXPECT_EQ(message(r), c.want) << c.name;
    }
  }
}

}  // namespace
