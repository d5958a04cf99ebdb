#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "vorn/bn254/params.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/poseidon.h"

using vorn::W;
using vorn::bn254::Fr;
namespace h = vorn::hash;
namespace params = vorn::bn254::params;

namespace {

W hexw(const char* s) {
  W w;
  EXPECT_TRUE(vorn::w_from_hex64(s, w)) << s;
  return w;
}

std::vector<W> iota(uint64_t n) {
  std::vector<W> v;
  for (uint64_t i = 1; i <= n; ++i) v.push_back(W::from_u64(i));
  return v;
}

const std::vector<h::PoseidonParams>& all_params() {
  auto p = h::poseidon_params();
  EXPECT_TRUE(p.ok());
  return **p;
}

}  // namespace

TEST(Poseidon, CircomlibReferenceValues) {
  struct Case { std::vector<W> in; const char* out; } cases[] = {
      {iota(1), "18586133768512220936620570745912940619677854269274689475585506675881198879027"},
      {iota(2), "7853200120776062878684798364095072458815029376092732009249414926327459813530"},
      {iota(3), "6542985608222806190361240322586112750744169038454362455181422643027100751666"},
      {{W{}}, "19014214495641488759237505126948346942972912379615652741039992445865937985820"},
      {iota(16), "9989051620750914585850546081941653841776809718687451684622678807385399211877"},
  };
  for (const auto& c : cases) {
    auto got = h::poseidon(c.in);
    ASSERT_TRUE(got.ok()) << got.error().msg;
    EXPECT_EQ(vorn::to_decimal(*got), c.out) << c.in.size() << " inputs";
    // The plain round-by-round form agrees on the published values too.
    std::vector<Fr> x;
    for (const W& w : c.in) x.push_back(Fr::from_w_reduce(w));
    auto plain = h::poseidon_plain_fr(all_params()[c.in.size() - 1], x);
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(vorn::to_decimal(plain->to_w()), c.out);
  }
}

TEST(Poseidon, ArityOutsideOneToSixteenFails) {
  for (size_t n : {0u, 17u, 40u}) {
    auto got = h::poseidon(std::vector<W>(n, W::from_u64(1)));
    ASSERT_FALSE(got.ok()) << n;
    EXPECT_EQ(got.error().msg, "poseidon arity must be 1..16");
    EXPECT_FALSE(got.error().panic);
    EXPECT_FALSE(h::poseidon_fr(std::vector<Fr>(n, Fr::one())).ok());
  }
  // A parameter set only takes its own arity.
  EXPECT_FALSE(h::poseidon_plain_fr(all_params()[1], std::vector<Fr>(3, Fr::one())).ok());
  EXPECT_FALSE(h::poseidon_fast_fr(all_params()[1], std::vector<Fr>(1, Fr::one())).ok());
}

TEST(Poseidon, InputsAreReducedModR) {
  const W r = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001");
  const W r_plus_1 = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000002");
  W top;
  top.b.fill(0xff);
  const W top_reduced = h::reduce_mod_r(top);
  struct Case { std::vector<W> a, b; } cases[] = {
      {{r_plus_1}, {W::from_u64(1)}},
      {{r}, {W{}}},
      {{W::from_u64(7), top}, {W::from_u64(7), top_reduced}},
  };
  for (const auto& c : cases) EXPECT_EQ(*h::poseidon(c.a), *h::poseidon(c.b));
}

TEST(Poseidon, FastFormEqualsPlainFormOnEveryArity) {
  const auto& all = all_params();
  ASSERT_EQ(all.size(), 16u);
  const Fr minus_one = -Fr::one();
  for (size_t n = 1; n <= 16; ++n) {
    const auto& p = all[n - 1];
    ASSERT_EQ(p.t, n + 1);
    EXPECT_TRUE(p.fast) << "width " << p.t;  // every circomlib width has the fast form
    // Zeros, r - 1 everywhere, and a spread of values: each checks a different carry path.
    std::vector<std::vector<Fr>> inputs = {std::vector<Fr>(n, Fr::zero()), std::vector<Fr>(n, minus_one)};
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      std::vector<Fr> x;
      Fr acc = Fr::from_u64(seed * 0x9e3779b97f4a7c15ULL);
      for (size_t i = 0; i < n; ++i) {
        acc = acc * acc + Fr::from_u64(i + 3);
        x.push_back(acc);
      }
      inputs.push_back(x);
    }
    for (const auto& x : inputs) {
      auto fast = h::poseidon_fast_fr(p, x), plain = h::poseidon_plain_fr(p, x);
      ASSERT_TRUE(fast.ok() && plain.ok());
      EXPECT_EQ(*fast, *plain) << "width " << p.t;
    }
  }
}

TEST(Poseidon, StoredTablesHoldTheCircomlibConstants) {
  const auto& all = all_params();
  const size_t rc_sizes[16] = {128, 195, 256, 340, 408, 497, 576, 639, 680, 814, 816, 949, 1092, 1020, 1152, 1292};
  const unsigned partial[16] = {56, 57, 56, 60, 60, 63, 64, 63, 60, 66, 60, 65, 70, 60, 64, 68};
  for (size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(all[i].rc.size(), rc_sizes[i]);
    EXPECT_EQ(all[i].partial_rounds, partial[i]);
    EXPECT_EQ(all[i].mds.size(), (i + 2) * (i + 2));
  }
  struct Case { const Fr& got; const char* hex; } cases[] = {
      {all[0].rc[0], "09c46e9ec68e9bd4fe1faaba294cba38a71aa177534cdd1b6c7dc0dbd0abd7a7"},
      {all[0].rc[1], "0c0356530896eec42a97ed937f3135cfc5142b3ae405b8343c1d83ffa604cb81"},
      {all[0].rc[2], "1e28a1d935698ad1142e51182bb54cf4a00ea5aabd6268bd317ea977cc154a30"},
      {all[0].rc.back(), "269e4b5b7a2eb21afd567970a717ceec5bd4184571c254fdc06e03a7ff8378f0"},
      {all[0].mds[0], "066f6f85d6f68a85ec10345351a23a3aaf07f38af8c952a7bceca70bd2af7ad5"},
      {all[0].mds[1], "2b9d4b4110c9ae997782e1509b1d0fdb20a7c02bbd8bea7305462b9f8125b1e8"},
      {all[0].mds[2], "0cc57cdbb08507d62bf67a4493cc262fb6c09d557013fff1f573f431221f8ff9"},
      {all[0].mds[3], "1274e649a32ed355a31a6ed69724e1adade857e86eb5c3a121bcd147943203c8"},
      {all[1].rc[0], "0ee9a592ba9a9518d05986d656f40c2114c4993c11bb29938d21d47304cd8e6e"},
      {all[1].mds[0], "109b7f411ba0e4c9b2b70caf5c36a7b194be7c11ad24378bfedb68592ba8118b"},
  };
  for (const auto& c : cases) EXPECT_EQ(vorn::to_hex(c.got.to_w()), c.hex);
}

TEST(Poseidon, ParametersAreBuiltOnce) {
  auto a = h::poseidon_params(), b = h::poseidon_params();
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(*a, *b);
}

TEST(Poseidon, ConstantNotBelowROfTheFieldIsAnInvariantFailure) {
  // A width-2 table with one round and one matrix entry set to a boundary value.
  const uint64_t r_minus_1[4] = {params::FR_MOD[0] - 1, params::FR_MOD[1], params::FR_MOD[2], params::FR_MOD[3]};
  const uint64_t r[4] = {params::FR_MOD[0], params::FR_MOD[1], params::FR_MOD[2], params::FR_MOD[3]};
  const uint64_t all_ones[4] = {~0ULL, ~0ULL, ~0ULL, ~0ULL};
  const unsigned partial = 1, t = 2, n_rc = (8 + partial) * t;
  struct Case { const uint64_t* bad; bool in_matrix; bool ok; } cases[] = {
      {r_minus_1, false, true}, {r, false, false}, {all_ones, false, false},
      {r_minus_1, true, true},  {r, true, false},  {all_ones, true, false},
  };
  for (const auto& c : cases) {
    std::vector<std::array<uint64_t, 4>> rc(n_rc, {5, 0, 0, 0}), mds = {{2, 0, 0, 0}, {3, 0, 0, 0}, {4, 0, 0, 0}, {6, 0, 0, 0}};
    auto& slot = c.in_matrix ? mds[3] : rc[n_rc - 1];
    std::copy(c.bad, c.bad + 4, slot.begin());
    auto got = h::build_poseidon_params(t, partial, std::span<const uint64_t[4]>(reinterpret_cast<const uint64_t(*)[4]>(rc.data()), rc.size()),
                                        std::span<const uint64_t[4]>(reinterpret_cast<const uint64_t(*)[4]>(mds.data()), mds.size()));
    EXPECT_EQ(got.ok(), c.ok);
    if (!got.ok()) {
      EXPECT_EQ(got.error().msg, "poseidon constant out of field");
      EXPECT_TRUE(got.error().panic);
    }
  }
}

TEST(Poseidon, FastFormAgreesWithThePlainFormAndFallsBackWhereItDoesNotExist) {
  // The fast form needs the first matrix row to see every other element through the
  // partial rounds (for width 2: M[0][1] != 0; a zero minor M[1][1] is fine), more
  // partial rounds than t - 1, and at most 96 of them. Without it poseidon_fast_fr
  // runs the plain form; both forms must agree either way.
  struct Case { unsigned t, partial; std::vector<uint64_t> mds; bool fast; } cases[] = {
      {2, 3, {1, 1, 1, 0}, true},   // singular minor
      {2, 3, {1, 0, 1, 1}, false},  // first row blind to s_1
      {2, 1, {1, 7, 1, 5}, false},  // no more partial rounds than t - 1
      {2, 2, {1, 7, 1, 5}, true},
      {2, 96, {1, 7, 1, 5}, true},
      {2, 97, {1, 7, 1, 5}, false},
      {3, 3, {2, 3, 5, 7, 11, 13, 17, 19, 23}, true},
      {3, 3, {2, 3, 5, 7, 11, 13, 14, 22, 26}, true},  // singular lower block
      {3, 5, {2, 3, 5, 7, 2, 0, 17, 0, 2}, false},     // (3, 5) N = 2 (3, 5): s_0 sees one direction only
  };
  for (const auto& c : cases) {
    std::vector<std::array<uint64_t, 4>> rc((8 + c.partial) * c.t), mds;
    for (size_t i = 0; i < rc.size(); ++i) rc[i] = {i * 977 + 1, i, 0, 0};
    for (uint64_t m : c.mds) mds.push_back({m, 0, 0, 0});
    auto p = h::build_poseidon_params(c.t, c.partial, std::span<const uint64_t[4]>(reinterpret_cast<const uint64_t(*)[4]>(rc.data()), rc.size()),
                                      std::span<const uint64_t[4]>(reinterpret_cast<const uint64_t(*)[4]>(mds.data()), mds.size()));
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p->fast, c.fast) << "t " << c.t << ", partial rounds " << c.partial;
    for (uint64_t v : {0ULL, 42ULL}) {
      std::vector<Fr> x;
      for (unsigned i = 1; i < c.t; ++i) x.push_back(Fr::from_u64(v * i) - Fr::one());
      EXPECT_EQ(*h::poseidon_fast_fr(*p, x), *h::poseidon_plain_fr(*p, x)) << "t " << c.t << ", partial rounds " << c.partial;
    }
  }
}

TEST(Poseidon, TablesOfTheWrongShapeAreNeverIndexed) {
  const std::vector<Fr> x = {Fr::from_u64(1), Fr::from_u64(2)};
  const h::PoseidonParams& good = all_params()[1];
  const Fr want = *h::poseidon_plain_fr(good, x);
  // The fast form is the one that runs: a changed constant of it changes the hash.
  h::PoseidonParams changed = good;
  changed.partial_add[5] += Fr::one();
  EXPECT_NE(*h::poseidon_fast_fr(changed, x), want);
  // Fast tables of the wrong size are not used: the plain form runs instead.
  h::PoseidonParams short_tail = good, short_rows = good, no_mix = good;
  short_tail.tail.pop_back();
  short_rows.partial_rows.pop_back();
  no_mix.mix_add.clear();
  for (const h::PoseidonParams* p : {&short_tail, &short_rows, &no_mix}) EXPECT_EQ(*h::poseidon_fast_fr(*p, x), want);
  // Plain tables of the wrong size are an invariant failure, whatever the form.
  h::PoseidonParams short_rc = good, short_mds = good, empty;
  short_rc.rc.pop_back();
  short_mds.mds.pop_back();
  for (const h::PoseidonParams* p : {&short_rc, &short_mds, &empty}) {
    for (auto got : {h::poseidon_plain_fr(*p, x), h::poseidon_fast_fr(*p, x)}) {
      ASSERT_FALSE(got.ok());
      EXPECT_EQ(got.error().msg, "poseidon table has the wrong shape");
      EXPECT_TRUE(got.error().panic);
    }
  }
}

TEST(Poseidon, ManyHashesEqualTheHashOfEachGroup) {
  const auto& all = all_params();
  for (size_t n = 1; n <= 16; ++n) {
    const auto& p = all[n - 1];
    for (size_t count : {0u, 1u, 2u, 3u, 5u}) {
      std::vector<Fr> in;
      Fr acc = Fr::from_u64(n * 131 + count);
      for (size_t i = 0; i < count * n; ++i) in.push_back(acc = acc * acc + Fr::from_u64(i));
      std::vector<Fr> want;
      for (size_t k = 0; k < count; ++k) want.push_back(*h::poseidon_fast_fr(p, std::span<const Fr>(in).subspan(k * n, n)));
      std::vector<Fr> out(count);
      ASSERT_TRUE(h::poseidon_fast_fr_many(p, in, out).ok());
      EXPECT_EQ(out, want) << n << " inputs, " << count << " hashes";
      // In place: output k over input k, as a Merkle level is hashed.
      std::vector<Fr> level = in;
      ASSERT_TRUE(h::poseidon_fast_fr_many(p, level, std::span<Fr>(level.data(), count)).ok());
      EXPECT_EQ(std::vector<Fr>(level.begin(), level.begin() + count), want) << n << " inputs, " << count << " in place";
    }
    // A count that is not a whole number of groups fails and writes nothing.
    std::vector<Fr> in(2 * n + 1, Fr::one()), out(2, Fr::zero());
    auto bad = h::poseidon_fast_fr_many(p, in, out);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().msg, "poseidon arity must be 1..16");
    EXPECT_EQ(out, std::vector<Fr>(2, Fr::zero()));
  }
}

TEST(Poseidon, TaggedHashPutsTheTagScalarFirst) {
  const std::vector<Fr> items = {Fr::from_u64(3), Fr::from_u64(4)};
  const std::vector<W> words = {h::tag_scalar(h::Tag::Nullifier), W::from_u64(3), W::from_u64(4)};
  auto tagged = h::poseidon_tagged_fr(h::Tag::Nullifier, items);
  ASSERT_TRUE(tagged.ok());
  EXPECT_EQ(tagged->to_w(), *h::poseidon(words));
  // The tag takes one of the sixteen inputs.
  EXPECT_TRUE(h::poseidon_tagged_fr(h::Tag::Salt, std::vector<Fr>(15, Fr::one())).ok());
  auto over = h::poseidon_tagged_fr(h::Tag::Salt, std::vector<Fr>(16, Fr::one()));
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().msg, "poseidon arity must be 1..16");
}
