// Note hashes, accumulator leaves, salts and scope keys.
//
// Expected values are rebuilt here from `poseidon` and Keccak-256 of the tag texts
// spelled out in this file, with distinct input values, so a wrong tag, a missing
// word or two swapped words all show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorn/hash/keccak.h"
#include "vorn/hash/poseidon.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"

using vorn::W;
namespace n = vorn::notes;
namespace h = vorn::hash;

namespace {

W hexw(const char* s) {
  W w;
  EXPECT_TRUE(vorn::w_from_hex64(s, w)) << s;
  return w;
}
W u(uint64_t x) { return W::from_u64(x); }

const W R = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001");
const W R_MINUS_1 = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000000");
const W R_PLUS_7 = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000008");
const W MAX = hexw("ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff");
const W TWO_128 = hexw("0000000000000000000000000000000100000000000000000000000000000000");
const W TWO_128_MINUS_1 = hexw("00000000000000000000000000000000ffffffffffffffffffffffffffffffff");
const W ZERO{};

W tag(const char* text) { return h::reduce_mod_r(h::keccak_raw(h::as_bytes(std::string_view(text)))); }

W poseidon(std::vector<W> in) {
  auto r = h::poseidon(in);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : W{};
}

template <class T>
std::string err(const vorn::Result<T>& r) {
  return r.ok() ? std::string("<ok>") : r.error().msg;
}

const n::G1Words PA{u(11), u(12)};
const n::G1Words PB{u(21), u(22)};
const n::CiphertextW CA{{u(31), u(32)}, {u(33), u(34)}};
const n::CiphertextW CB{{u(41), u(42)}, {u(43), u(44)}};

}  // namespace

TEST(NonzeroScalar, Boundaries) {
  struct Case { W w; bool nonzero; } cases[] = {
      {ZERO, false}, {u(1), true}, {R_MINUS_1, true}, {R, false}, {R_PLUS_7, false}, {MAX, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(n::is_nonzero_scalar(c.w), c.nonzero) << vorn::to_hex(c.w);
  }
}

// ---- note commitment, nullifier, id hashes: check order ------------------------

TEST(NoteCommitment, ChecksRunInOrderAndTheFirstFailureWins) {
  struct Case { uint64_t flavor; W v, rho, id, pred; const char* msg; } cases[] = {
      // Everything wrong at once: the flavor decides.
      {0, TWO_128, ZERO, R, R, n::kUnknownFlavor},
      {4, TWO_128, R, MAX, MAX, n::kUnknownFlavor},
      {~uint64_t{0}, u(1), u(1), u(0), u(0), n::kUnknownFlavor},
      // v at and above the 128-bit bound.
      {1, TWO_128, ZERO, R, R, n::kValueOutOfRange},
      {2, MAX, u(1), u(0), u(0), n::kValueOutOfRange},
      // rho: zero, r and above, each ahead of the later checks.
      {3, TWO_128_MINUS_1, ZERO, R, R, n::kRhoNotScalar},
      {1, u(5), R, R, R, n::kRhoNotScalar},
      {1, u(5), MAX, u(0), u(0), n::kRhoNotScalar},
      // id_hash, then predicate.
      {1, u(5), R_MINUS_1, R, R, n::kIdHashOutOfField},
      {1, u(5), u(9), MAX, u(0), n::kIdHashOutOfField},
      {1, u(5), u(9), R_MINUS_1, R, n::kPredicateOutOfField},
      {1, u(5), u(9), u(0), MAX, n::kPredicateOutOfField},
  };
  for (const auto& c : cases)
    EXPECT_EQ(err(n::note_commitment(c.flavor, c.v, c.rho, c.id, c.pred)), c.msg) << c.flavor;
}

TEST(NoteCommitment, AcceptsTheBoundariesAndHashesTheListedWords) {
  const W tg = tag("VeltriaVorn/Notes/Commitment/v2");
  struct Case { uint64_t flavor; W v, rho, id, pred; } cases[] = {
      {1, TWO_128_MINUS_1, R_MINUS_1, ZERO, ZERO},
      {2, ZERO, u(1), R_MINUS_1, R_MINUS_1},
      {3, u(1000), u(77), u(78), u(79)},
  };
  for (const auto& c : cases) {
    auto got = n::note_commitment(c.flavor, c.v, c.rho, c.id, c.pred);
    ASSERT_TRUE(got.ok()) << err(got);
    EXPECT_EQ(*got, poseidon({tg, u(c.flavor), c.v, c.rho, c.id, c.pred}));
  }
  // The flavor is hashed: the same note under another flavor commits differently.
  EXPECT_NE(*n::note_commitment(1, u(5), u(6), u(7), u(8)), *n::note_commitment(2, u(5), u(6), u(7), u(8)));
}

TEST(Nullifier, ChecksAndValue) {
  struct Case { W rho, id; const char* msg; } bad[] = {
      {ZERO, R, n::kRhoNotScalar},
      {R, u(1), n::kRhoNotScalar},
      {u(1), R, n::kIdHashOutOfField},
      {u(1), MAX, n::kIdHashOutOfField},
  };
  for (const auto& c : bad) EXPECT_EQ(err(n::nullifier(c.rho, c.id)), c.msg);
  const W tg = tag("VeltriaVorn/Notes/Nullifier/v2");
  EXPECT_EQ(*n::nullifier(R_MINUS_1, ZERO), poseidon({tg, R_MINUS_1, ZERO}));
  EXPECT_EQ(*n::nullifier(u(3), u(4)), poseidon({tg, u(3), u(4)}));
}

TEST(IdHash, IssuerScalarMustBeNonzeroBelowOrder) {
  for (const W& m : {ZERO, R, R_PLUS_7, MAX}) {
    EXPECT_EQ(err(n::id_hash_b1(m)), n::kScalarsOutOfRange);
    EXPECT_EQ(err(n::id_hash_a1(CA, m)), n::kScalarsOutOfRange);
  }
  EXPECT_TRUE(n::id_hash_b1(R_MINUS_1).ok());
  EXPECT_TRUE(n::id_hash_a1(CA, R_MINUS_1).ok());
}

TEST(IdHash, EachFlavorHashesItsWordsInOrder) {
  const W tg = tag("VeltriaVorn/Notes/IdHash/v2");
  EXPECT_EQ(*n::id_hash_b1(u(5)), poseidon({tg, u(5)}));
  EXPECT_EQ(*n::id_hash_a1(CA, u(5)), poseidon({tg, u(31), u(32), u(33), u(34), u(5)}));
  EXPECT_EQ(*n::id_hash_a2(CA, CB, PA),
            poseidon({tg, u(31), u(32), u(33), u(34), u(41), u(42), u(43), u(44), u(11), u(12)}));
}

TEST(IdHash, A2ReadsCoordinatesModuloOrderWithoutChecks) {
  // Off-curve points and coordinates of r or more are accepted and reduced.
  const n::CiphertextW wide{{R_PLUS_7, u(32)}, {u(33), MAX}};
  const n::CiphertextW reduced{{u(7), u(32)}, {u(33), h::reduce_mod_r(MAX)}};
  auto a = n::id_hash_a2(wide, CB, {R, R_PLUS_7});
  ASSERT_TRUE(a.ok());
  EXPECT_EQ(*a, *n::id_hash_a2(reduced, CB, {ZERO, u(7)}));
}

// ---- leaves ---------------------------------------------------------------------

TEST(Leaves, HashTheListedWordsUnderTheirTags) {
  EXPECT_EQ(*n::identity_leaf(PA), poseidon({tag("VeltriaVorn/Accumulator/Leaf/Identity/v2"), u(11), u(12)}));
  EXPECT_EQ(*n::identity_leaf_salted(PA, u(9)),
            poseidon({tag("VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2"), u(11), u(12), u(9)}));
  EXPECT_EQ(*n::receiving_leaf(u(3), u(4), u(5)),
            poseidon({tag("VeltriaVorn/Accumulator/Leaf/Receiving/v2"), u(3), u(4), u(5)}));
  EXPECT_EQ(*n::mailbox_leaf(PA, PB, u(9)),
            poseidon({tag("VeltriaVorn/Accumulator/Leaf/Mailbox/v2"), u(11), u(12), u(21), u(22), u(9)}));
  // Infinity and off-curve points are hashed as their words.
  EXPECT_EQ(*n::identity_leaf({ZERO, ZERO}), poseidon({tag("VeltriaVorn/Accumulator/Leaf/Identity/v2"), ZERO, ZERO}));
}

TEST(Leaves, SaltRange) {
  struct Case { W salt; bool ok; } cases[] = {
      {ZERO, false}, {R, false}, {MAX, false}, {u(1), true}, {R_MINUS_1, true},
  };
  for (const auto& c : cases) {
    auto a = n::identity_leaf_salted(PA, c.salt);
    auto b = n::mailbox_leaf(PA, PB, c.salt);
    EXPECT_EQ(a.ok(), c.ok);
    EXPECT_EQ(b.ok(), c.ok);
    if (!c.ok) {
      EXPECT_EQ(err(a), n::kSaltOutOfRange);
      EXPECT_EQ(err(b), n::kSaltOutOfRange);
    }
  }
}

TEST(Leaves, ReceivingLeafRefusesAnyInputOutsideOneToOrder) {
  const W good = u(2);
  for (const W& bad : {ZERO, R, MAX}) {
    EXPECT_EQ(err(n::receiving_leaf(bad, good, good)), n::kReceivingLeafOutOfRange);
    EXPECT_EQ(err(n::receiving_leaf(good, bad, good)), n::kReceivingLeafOutOfRange);
    EXPECT_EQ(err(n::receiving_leaf(good, good, bad)), n::kReceivingLeafOutOfRange);
  }
  EXPECT_TRUE(n::receiving_leaf(R_MINUS_1, R_MINUS_1, R_MINUS_1).ok());
}

// ---- tags, salts, scope keys ------------------------------------------------------

TEST(ScopeKeys, KnownKeccakDigestsUnreduced) {
  // Keccak-256 of "abc" (above r) and of the ERC-20 Transfer event signature
  // (above 2^255): the keys are the whole digests; the tree tags reduce them.
  struct Case { const char* name; const char* digest; } cases[] = {
      {"abc", "4e03657aea45a94fc7d47ba826c8d667c0d1e6e33a64a036ec44f58fa12d6c45"},
      {"Transfer(address,address,uint256)", "ddf252ad1be2c89b69c2b068fc378daa952ba7f163c4a11628f55a4df523b3ef"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(*n::scope_id(c.name), hexw(c.digest)) << c.name;
    EXPECT_EQ(*n::subtree_key(c.name), hexw(c.digest)) << c.name;
    EXPECT_EQ(*n::tree_tag(c.name), h::reduce_mod_r(hexw(c.digest))) << c.name;
  }
  EXPECT_EQ(*n::tree_tag("abc"), hexw("1d9f1708091409260f8435f1a5477e0a989dfe9ac0ab2fa5a862fffbb12d6c44"));
  EXPECT_EQ(err(n::scope_id("")), n::kEmptyScopeName);
  EXPECT_EQ(err(n::subtree_key("")), n::kEmptyScopeName);
  EXPECT_EQ(err(n::tree_tag("")), n::kEmptyTreeId);
}

TEST(DeriveSalt, ChecksInOrder) {
  EXPECT_EQ(err(n::derive_salt(ZERO, "")), n::kHolderSecretZero);
  EXPECT_EQ(err(n::derive_salt(ZERO, "t")), n::kHolderSecretZero);
  EXPECT_EQ(err(n::derive_salt(u(1), "")), n::kEmptyTreeId);
}

TEST(DeriveSalt, HashesSecretTreeTagAndCounter) {
  const W tg = tag("VeltriaVorn/Accumulator/Salt/v2");
  const W tt = *n::tree_tag("registry/alpha");
  for (uint64_t counter : {uint64_t{0}, uint64_t{1}, uint64_t{0x0102030405060708}, ~uint64_t{0}}) {
    auto s = n::derive_salt(u(42), "registry/alpha", counter);
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(*s, poseidon({tg, u(42), tt, u(counter)})) << counter;
    EXPECT_FALSE(s->is_zero());
  }
  EXPECT_EQ(*n::derive_salt(u(42), "registry/alpha"), *n::derive_salt(u(42), "registry/alpha", 0));
  // The secret is not bounded by r: it is read modulo r.
  EXPECT_EQ(*n::derive_salt(MAX, "t"), *n::derive_salt(h::reduce_mod_r(MAX), "t"));
  EXPECT_EQ(*n::derive_salt(R_PLUS_7, "t"), *n::derive_salt(u(7), "t"));
}
