// The once-built tables under a concurrent first use. This program's only test
// releases many threads at the same moment into their first Poseidon hash, their
// first use of H, of the tag table and of the fixed-base table of G; nothing has
// touched those tables before. Every thread must get the right values, and the
// tables that are handed out by address (the Poseidon parameter sets, the tag words)
// must be one object for all threads: built once, not once per thread that raced.
// The ASan/UBSan build runs it too.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "vorn/bn254/scalar_mul.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/pedersen.h"
#include "vorn/hash/poseidon.h"
#include "vorn/hash/tags.h"

using namespace vorn;
using namespace vorn::bn254;

namespace {

constexpr int kThreads = 16;

struct Seen {
  W poseidon_1_2;
  W poseidon_1_to_16;
  const std::vector<hash::PoseidonParams>* params = nullptr;
  bool h_ok = false;
  G1Affine h;
  const W* tag = nullptr;
  G1Affine five_g;
};

W dec(const char* text) {
  W w;
  EXPECT_TRUE(w_from_decimal(text, w));
  return w;
}

TEST(OnceBuiltTables, ConcurrentFirstUse) {
  std::vector<Seen> seen(kThreads);
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      Seen& s = seen[i];
      start.arrive_and_wait();  // all threads leave together
      // Spread the first uses over the threads so each table is raced from several
      // first requests at once.
      switch (i % 4) {
        case 0: s.params = hash::poseidon_params().value(); break;
        case 1: s.h_ok = hash::h_pedersen_affine().ok(); break;
        case 2: s.tag = &hash::tag_word(hash::Tag::Approve); break;
        default: s.five_g = g1_mul_gen_ct(Fr::from_u64(5)).to_affine(); break;
      }
      const W one_two[2] = {W::from_u64(1), W::from_u64(2)};
      s.poseidon_1_2 = hash::poseidon(one_two).value();
      std::array<W, 16> many;
      for (int k = 0; k < 16; ++k) many[k] = W::from_u64(k + 1);
      s.poseidon_1_to_16 = hash::poseidon(many).value();
      s.params = hash::poseidon_params().value();
      auto h = hash::h_pedersen_affine();
      s.h_ok = h.ok();
      if (h.ok()) s.h = *h;
      s.tag = &hash::tag_word(hash::Tag::Approve);
      s.five_g = g1_mul_gen_ct(Fr::from_u64(5)).to_affine();
    });
  }
  for (auto& t : threads) t.join();

  // H recomputed from its definition, without the once-built copy: the first counter
  // whose candidate lies on the curve.
  G1Affine h_ref{};
  bool found = false;
  for (uint32_t c = 0; c < 256 && !found; ++c) found = hash::pedersen_candidate(c, h_ref);
  ASSERT_TRUE(found);
  const G1Affine five_ref = g1_mul_var(g1_generator(), Fr::from_u64(5)).to_affine_var();
  const W approve_ref = hash::keccak_raw(reinterpret_cast<const uint8_t*>(hash::tag_text(hash::Tag::Approve).data()),
                                         hash::tag_text(hash::Tag::Approve).size());

  for (int i = 0; i < kThreads; ++i) {
    const Seen& s = seen[i];
    SCOPED_TRACE(i);
    // The circomlib values quoted for Poseidon of [1, 2] and of [1, ..., 16].
    EXPECT_EQ(s.poseidon_1_2, dec("7853200120776062878684798364095072458815029376092732009249414926327459813530"));
    EXPECT_EQ(s.poseidon_1_to_16,
              dec("9989051620750914585850546081941653841776809718687451684622678807385399211877"));
    ASSERT_TRUE(s.h_ok);
    EXPECT_EQ(s.h, h_ref);
    EXPECT_EQ(s.five_g, five_ref);
    EXPECT_EQ(*s.tag, approve_ref);
    // One table for everybody.
    EXPECT_EQ(s.params, seen[0].params);
    EXPECT_EQ(s.tag, seen[0].tag);
  }
}

}  // namespace
