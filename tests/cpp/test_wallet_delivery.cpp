// Note delivery: receiving keys and wrap masks against Keccak-256 recomputed with
// Crypto++ from the byte layout written out, deliver-then-open round trips of both
// flavors, the consistency checks of the openings failing in order on tampered
// records, and receiving bindings with and without an aggregator tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorn/notes/leaves.h"
#include "vorn/notes/notes.h"
#include "vorn/notes/tree.h"
#include "vorn/wallet/delivery.h"
#include "wallet_support.h"

using namespace ws;
namespace n = vorn::notes;

namespace {

const std::string kRecvTag = "VeltriaVorn/Notes/ReceivingKey/v2";

// k from its byte layout: Keccak(tag || seed mod r || counter word) mod r.
W expected_k(const W& seed, uint64_t counter) {
  return keccak_mod_r(kRecvTag + raw(fr(seed).to_w()) + raw(u(counter)));
}

std::string u128_text(unsigned __int128 v) { return wl::dec_u128(v); }

Json recv_args(const std::string& rotation, const W& seed) {
  return parse("{\"rotation\":" + rotation + ",\"seed\":\"" + wl::hex_w(seed) + "\"}");
}

// A receiving key from the JSON entry point.
struct Key {
  W k;
  G1Words pk;
};
Key key_from_seed(const W& seed) {
  auto r = wl::receiving_key(text(recv_args("0", seed)));
  EXPECT_TRUE(r.ok()) << outcome(r);
  Json o = parse(r.ok() ? *r : "{}");
  auto k = wl::get_w(o, "k");
  auto pk = wl::get_g1(o, "pk_recv");
  return {k.ok() ? *k : W{}, pk.ok() ? *pk : G1Words{}};
}

}  // namespace

// ---- receiving keys

TEST(ReceivingKey, IsTheTaggedKeccakOfSeedAndCounterWithItsPoint) {
  const W seed = hexw("00000000000000000000000000000000000000000000000000000000c0ffee11");
  const unsigned __int128 two64 = static_cast<unsigned __int128>(1) << 64;
  struct Case { unsigned __int128 rotation; uint64_t counter; } cases[] = {
      {0, 0}, {1, 1}, {7, 7}, {two64, 0}, {two64 + 5, 5}, {~static_cast<unsigned __int128>(0), UINT64_MAX},
  };
  for (const auto& c : cases) {
    auto r = wl::receiving_key(text(recv_args(u128_text(c.rotation), seed)));
    ASSERT_TRUE(r.ok()) << outcome(r);
    const Json o = parse(*r);
    const W k = expected_k(seed, c.counter);
    EXPECT_EQ(s_at(o, "k"), wl::hex_w(k)) << c.counter;
    EXPECT_EQ(text(at(o, "pk_recv")), text(pt(gmul(k))));
  }
  // The seed is reduced before hashing: r + 5 is seed 5, and r itself hashes as 0.
  auto plus_r = wl::receiving_key(text(recv_args("3", plus(R, 5))));
  auto five = wl::receiving_key(text(recv_args("3", u(5))));
  ASSERT_TRUE(plus_r.ok() && five.ok());
  EXPECT_EQ(*plus_r, *five);
  auto seed_r = wl::receiving_key(text(recv_args("0", R)));
  ASSERT_TRUE(seed_r.ok());
  EXPECT_EQ(s_at(parse(*seed_r), "k"), wl::hex_w(keccak_mod_r(kRecvTag + raw(W{}) + raw(u(0)))));
}

TEST(ReceivingKey, ReadingAndSeedErrors) {
  struct Case { std::string args; std::string msg; } cases[] = {
      {R"({"rotation":0,"seed":"0x0"})", "seed must be a positive int"},
      {R"({"rotation":0,"seed":"0"})", "seed must be a positive int"},
      {R"({"seed":"0x1"})", "receipt: missing field"},
      {R"({"rotation":"1","seed":"0x1"})", "receipt: expected an integer"},
      {R"({"rotation":-1,"seed":"0x1"})", "receipt: integer out of range"},
      {R"({"rotation":340282366920938463463374607431768211456,"seed":"0x1"})", "receipt: integer out of range"},
      {R"({"rotation":0})", "receipt: missing field"},
      {R"({"rotation":0,"seed":7})", "receipt: expected a string"},
      {R"({"rotation":0,"seed":"0xzz"})", "invalid hex"},
      // The rotation is read before the seed.
      {R"({"rotation":1.5,"seed":"0x0"})", "receipt: integer out of range"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(wl::receiving_key(c.args)), c.msg) << c.args;
}

TEST(ReceivingKey, DifferentRotationsGiveUnrelatedKeys) {
  const W seed = u(99);
  auto a = wl::receiving_key(text(recv_args("0", seed)));
  auto b = wl::receiving_key(text(recv_args("1", seed)));
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_NE(s_at(parse(*a), "k"), s_at(parse(*b), "k"));
}

// ---- wrap masks

TEST(WrapMask, IsTheTaggedKeccakOfLabelAndSharedPoint) {
  const G1Words s = gmul(u(123456789));
  const G1Words s2 = gmul(u(123456790));
  for (const char* label : {"rho", "v", "rNote", "", "a/b"}) {
    auto r = wl::wrap_mask(text(obj({{"label", str(label)}, {"shared", pt(s)}})));
    ASSERT_TRUE(r.ok()) << outcome(r);
    EXPECT_EQ(*r, wl::hex_w(mask(label, s))) << label;
    EXPECT_EQ(wl::payload_mask(label, s), mask(label, s));
  }
  EXPECT_NE(wl::payload_mask("rho", s), wl::payload_mask("v", s));
  EXPECT_NE(wl::payload_mask("rho", s), wl::payload_mask("rho", s2));
  // The point's words are hashed as given (not decoded).
  const G1Words off{u(1), u(3)};
  EXPECT_EQ(outcome(wl::wrap_mask(text(obj({{"label", str("x")}, {"shared", pt(off)}})))), "ok");
  EXPECT_EQ(outcome(wl::wrap_mask(R"({"shared":{"x":"0x1","y":"0x2"}})")), "receipt: missing field");
  EXPECT_EQ(outcome(wl::wrap_mask(R"({"label":1,"shared":{"x":"0x1","y":"0x2"}})")), "receipt: expected a string");
  EXPECT_EQ(outcome(wl::wrap_mask(R"({"label":"v","shared":{"x":"0x1"}})")), "receipt: missing field");
}

// ---- flavor A1

namespace {

struct A1 {
  Key key = key_from_seed(u(0xa1a1));
  W v = u(1000), rho = u(777), predicate = u(5), r_note = u(4242), r_prime = u(31337), m_issuer = u(424242);
  G1Words m_rec = gmul(u(55555));
  CiphertextW e_note = enc(gmul(v), key.pk, r_note);
  CiphertextW e_rec = enc(m_rec, key.pk, r_prime);

  Json deliver_args() const {
    return obj({{"eNote", ct(e_note)}, {"eRec", ct(e_rec)}, {"v", hx(v)}, {"rho", hx(rho)},
                {"predicate", hx(predicate)}, {"r_note", hx(r_note)}, {"pk_recv", pt(key.pk)}});
  }
  Json record() const {
    auto r = wl::deliver_a1(text(deliver_args()));
    EXPECT_TRUE(r.ok()) << outcome(r);
    return parse(r.ok() ? *r : "{}");
  }
  std::string open_args(const Json& record, const W& k) const {
    return text(obj({{"delivery", record}, {"k", hx(k)}, {"m_issuer", hx(m_issuer)}}));
  }
};

Json ct_dec_json(const CiphertextW& c) {
  return obj({{"R", obj({{"x", dec(c.r[0])}, {"y", dec(c.r[1])}})}, {"C", obj({{"x", dec(c.c[0])}, {"y", dec(c.c[1])}})}});
}

// A wrapped field shifted by one.
Json bump(const Json& record, const char* key) {
  auto w = wl::get_dec_w(record, key);
  EXPECT_TRUE(w.ok());
  return with(record, key, dec(add_r(*w, u(1))));
}

}  // namespace

TEST(DeliverA1, WritesDecimalFormsAndFieldsWrappedUnderTheSharedPoint) {
  const A1 a;
  const Json rec = a.record();
  const G1Words s = mul(a.key.pk, a.r_note);  // = k * eNote.R
  EXPECT_EQ(s, mul(a.e_note.r, a.key.k));
  const Json expected = obj({{"flavor", num(1)},
                             {"predicate", dec(a.predicate)},
                             {"eNote", ct_dec_json(a.e_note)},
                             {"eRec", ct_dec_json(a.e_rec)},
                             {"rhoWrapped", dec(add_r(a.rho, mask("rho", s)))},
                             {"vWrapped", dec(add_r(a.v, mask("v", s)))},
                             {"rNoteWrapped", dec(add_r(a.r_note, mask("rNote", s)))}});
  EXPECT_EQ(text(rec), text(expected));
}

TEST(DeliverA1, RefusesAPublicWrapAndBadKeys) {
  const A1 a;
  struct Case { const char* what; Json args; std::string msg; } cases[] = {
      {"r_note 0", with(a.deliver_args(), "r_note", hx(u(0))), std::string(wl::kSharedPointIdentity)},
      {"r_note r", with(a.deliver_args(), "r_note", hx(R)), std::string(wl::kSharedPointIdentity)},
      {"pk at infinity", with(a.deliver_args(), "pk_recv", pt(O)), std::string(wl::kSharedPointIdentity)},
      {"pk off curve", with(a.deliver_args(), "pk_recv", pt({u(1), u(3)})), "G1 point not on curve"},
      {"pk x = q", with(a.deliver_args(), "pk_recv", pt({Q, u(2)})), "coordinate not a canonical Fq element"},
      {"no eRec", without(a.deliver_args(), "eRec"), "receipt: missing field"},
      {"decimal v", with(a.deliver_args(), "v", str("12g")), "invalid hex"},
      // Keys are read in order: the bad eNote is reported before the bad pk_recv.
      {"eNote first", with(with(a.deliver_args(), "eNote", str("x")), "pk_recv", pt({u(1), u(3)})),
       "receipt: missing field"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(wl::deliver_a1(text(c.args))), c.msg) << c.what;
}

TEST(OpenA1, ReturnsTheDeliveredNoteAndItsCommitment) {
  A1 a;
  a.rho = plus(R, 9);  // wrapped values are reduced modulo r first
  const Json rec = a.record();
  auto r = wl::open_a1(a.open_args(rec, a.key.k));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json o = parse(*r);
  auto id_hash = n::id_hash_a1(a.e_note, a.m_issuer);
  ASSERT_TRUE(id_hash.ok());
  auto cm = n::note_commitment(1, a.v, u(9), *id_hash, a.predicate);
  ASSERT_TRUE(cm.ok());
  const Json opening = obj({{"flavor", num(1)}, {"v", hx(a.v)}, {"rho", hx(u(9))}, {"idHash", hx(*id_hash)},
                            {"predicate", hx(a.predicate)}, {"cm", hx(*cm)}});
  EXPECT_EQ(text(o), text(obj({{"opening", opening}, {"eNote", ct(a.e_note)}, {"eRec", ct(a.e_rec)},
                               {"r_note", hx(a.r_note)}})));
}

TEST(OpenA1, ChecksInOrderOnTamperedRecords) {
  const A1 a;
  const Json rec = a.record();
  const W wrong_k = add_r(a.key.k, u(1));
  CiphertextW off_c = a.e_note;
  off_c.c[1] = plus(off_c.c[1], 1);
  CiphertextW off_r = a.e_note;
  off_r.r[1] = plus(off_r.r[1], 1);
  A1 big_v = a;  // a face of 2^128 decrypts fine and then fails the commitment's range
  big_v.v = hexw("0000000000000000000000000000000100000000000000000000000000000000");
  big_v.e_note = enc(gmul(big_v.v), a.key.pk, a.r_note);
  A1 zero_rho = a;
  zero_rho.rho = u(0);
  struct Case { const char* what; std::string args; std::string msg; } cases[] = {
      {"flavor 2", a.open_args(with(rec, "flavor", num(2)), a.key.k), "not an A1 delivery"},
      {"no flavor", a.open_args(without(rec, "flavor"), a.key.k), "not an A1 delivery"},
      {"flavor as text", a.open_args(with(rec, "flavor", str("1")), a.key.k), "not an A1 delivery"},
      {"flavor 1.0", a.open_args(with(rec, "flavor", Json::number_text("1.0")), a.key.k), "not an A1 delivery"},
      {"flavor before eNote", a.open_args(without(with(rec, "flavor", num(2)), "eNote"), a.key.k),
       "not an A1 delivery"},
      {"no delivery", text(obj({{"k", hx(a.key.k)}, {"m_issuer", hx(a.m_issuer)}})), "receipt: missing field"},
      {"no k", text(obj({{"delivery", rec}, {"m_issuer", hx(a.m_issuer)}})), "receipt: missing field"},
      {"no eNote", a.open_args(without(rec, "eNote"), a.key.k), "receipt: missing field"},
      {"hex eNote", a.open_args(with(rec, "eNote", ct(a.e_note)), a.key.k), "invalid decimal"},
      {"no eRec", a.open_args(without(rec, "eRec"), a.key.k), "receipt: missing field"},
      {"eNote.R off curve", a.open_args(with(rec, "eNote", ct_dec_json(off_r)), a.key.k), "G1 point not on curve"},
      {"no rhoWrapped", a.open_args(without(rec, "rhoWrapped"), a.key.k), std::string(wl::kMissingWrappedField)},
      {"no vWrapped", a.open_args(without(rec, "vWrapped"), a.key.k), std::string(wl::kMissingWrappedField)},
      {"no rNoteWrapped", a.open_args(without(rec, "rNoteWrapped"), a.key.k),
       std::string(wl::kMissingWrappedField)},
      {"hex vWrapped", a.open_args(with(rec, "vWrapped", hx(u(1))), a.key.k), "invalid decimal"},
      {"r_note off", a.open_args(bump(rec, "rNoteWrapped"), a.key.k), std::string(wl::kRNoteNotRandomness)},
      // A wrong key unwraps garbage randomness: that test comes before the face test.
      {"wrong k", a.open_args(rec, wrong_k), std::string(wl::kRNoteNotRandomness)},
      {"v off", a.open_args(bump(rec, "vWrapped"), a.key.k), std::string(wl::kFaceNotOpened)},
      {"eNote.C off curve", a.open_args(with(rec, "eNote", ct_dec_json(off_c)), a.key.k), "G1 point not on curve"},
      {"m_issuer 0", text(obj({{"delivery", rec}, {"k", hx(a.key.k)}, {"m_issuer", hx(u(0))}})),
       "scalars must lie in [1, ORDER)"},
      {"no predicate", a.open_args(without(rec, "predicate"), a.key.k), "receipt: missing field"},
      {"predicate r", a.open_args(with(rec, "predicate", dec(R)), a.key.k), "predicate must lie in [0, F_R)"},
      {"v 2^128", big_v.open_args(big_v.record(), a.key.k), "v out of range [0, 2^128)"},
      {"rho 0", zero_rho.open_args(zero_rho.record(), a.key.k), "rho must be a non-zero scalar mod ORDER"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(wl::open_a1(c.args)), c.msg) << c.what;
}

// ---- flavor A2

namespace {

struct A2 {
  Key key = key_from_seed(u(0xa2a2));
  W v = u(2500), rho = u(888), predicate = u(0), r_note = u(5151), r_prime = u(6161), salt_iss = u(7171),
    gamma = u(8181);
  G1Words m_i = gmul(u(909090));
  CiphertextW e_note = enc(gmul(v), key.pk, r_note);
  CiphertextW e_iss = enc(m_i, key.pk, r_prime);
  G1Words t = add(gmul(mul_r(r_prime, key.k)), mul(Hgen(), gamma));

  Json deliver_args() const {
    return obj({{"eNote", ct(e_note)}, {"eIss", ct(e_iss)}, {"T", pt(t)}, {"v", hx(v)}, {"rho", hx(rho)},
                {"predicate", hx(predicate)}, {"r_note", hx(r_note)}, {"r_prime", hx(r_prime)},
                {"salt_iss", hx(salt_iss)}, {"gamma", hx(gamma)}, {"pk_recv", pt(key.pk)}});
  }
  Json record() const {
    auto r = wl::deliver_a2(text(deliver_args()));
    EXPECT_TRUE(r.ok()) << outcome(r);
    return parse(r.ok() ? *r : "{}");
  }
  std::string open_args(const Json& record, const W& k) const {
    return text(obj({{"delivery", record}, {"k", hx(k)}}));
  }
};

}  // namespace

TEST(DeliverA2, WritesTheRecordWithoutRNote) {
  const A2 a;
  const Json rec = a.record();
  const G1Words s = mul(a.key.pk, a.r_note);
  const Json expected = obj({{"flavor", num(2)},
                             {"predicate", dec(a.predicate)},
                             {"eNote", ct_dec_json(a.e_note)},
                             {"eIss", ct_dec_json(a.e_iss)},
                             {"T", obj({{"x", dec(a.t[0])}, {"y", dec(a.t[1])}})},
                             {"rhoWrapped", dec(add_r(a.rho, mask("rho", s)))},
                             {"vWrapped", dec(add_r(a.v, mask("v", s)))},
                             {"rPrimeWrapped", dec(add_r(a.r_prime, mask("rPrime", s)))},
                             {"saltIssWrapped", dec(add_r(a.salt_iss, mask("saltIss", s)))},
                             {"gammaWrapped", dec(add_r(a.gamma, mask("gamma", s)))}});
  EXPECT_EQ(text(rec), text(expected));
  EXPECT_EQ(outcome(wl::deliver_a2(text(with(a.deliver_args(), "r_note", hx(u(0)))))),
            std::string(wl::kSharedPointIdentity));
  EXPECT_EQ(outcome(wl::deliver_a2(text(without(a.deliver_args(), "T")))), "receipt: missing field");
}

TEST(OpenA2, ReturnsTheNoteTheIssuerPointAndTheUnwrappedSecrets) {
  const A2 a;
  auto r = wl::open_a2(a.open_args(a.record(), a.key.k));
  ASSERT_TRUE(r.ok()) << outcome(r);
  auto id_hash = n::id_hash_a2(a.e_note, a.e_iss, a.t);
  ASSERT_TRUE(id_hash.ok());
  auto cm = n::note_commitment(2, a.v, a.rho, *id_hash, a.predicate);
  ASSERT_TRUE(cm.ok());
  const Json opening = obj({{"flavor", num(2)}, {"v", hx(a.v)}, {"rho", hx(a.rho)}, {"idHash", hx(*id_hash)},
                            {"predicate", hx(a.predicate)}, {"cm", hx(*cm)}});
  const Json expected = obj({{"opening", opening}, {"eNote", ct(a.e_note)}, {"eIss", ct(a.e_iss)},
                             {"M_I", pt(a.m_i)}, {"r_prime", hx(a.r_prime)}, {"salt_iss", hx(a.salt_iss)},
                             {"T", pt(a.t)}, {"gamma", hx(a.gamma)}});
  EXPECT_EQ(*r, text(expected));
}

TEST(OpenA2, ChecksInOrderOnTamperedRecords) {
  const A2 a;
  const Json rec = a.record();
  A1 a1;
  const Json a1_rec = a1.record();
  CiphertextW off_iss_c = a.e_iss;
  off_iss_c.c[1] = plus(off_iss_c.c[1], 1);
  struct Case { const char* what; std::string args; std::string msg; } cases[] = {
      {"A1 record", a.open_args(a1_rec, a.key.k), "not an A2 delivery"},
      {"no flavor", a.open_args(without(rec, "flavor"), a.key.k), "not an A2 delivery"},
      {"no k", text(obj({{"delivery", rec}})), "receipt: missing field"},
      {"no eIss", a.open_args(without(rec, "eIss"), a.key.k), "receipt: missing field"},
      {"no T", a.open_args(without(rec, "T"), a.key.k), "receipt: missing field"},
      {"no gammaWrapped", a.open_args(without(rec, "gammaWrapped"), a.key.k),
       std::string(wl::kMissingWrappedField)},
      {"no saltIssWrapped", a.open_args(without(rec, "saltIssWrapped"), a.key.k),
       std::string(wl::kMissingWrappedField)},
      {"v off", a.open_args(bump(rec, "vWrapped"), a.key.k), std::string(wl::kFaceNotOpened)},
      // No randomness test for eNote in A2: a wrong key fails the face test.
      {"wrong k", a.open_args(rec, add_r(a.key.k, u(1))), std::string(wl::kFaceNotOpened)},
      {"r' off", a.open_args(bump(rec, "rPrimeWrapped"), a.key.k), std::string(wl::kRPrimeNotRandomness)},
      {"gamma off", a.open_args(bump(rec, "gammaWrapped"), a.key.k), std::string(wl::kTNotOpened)},
      {"T off", a.open_args(with(rec, "T", obj({{"x", dec(a.m_i[0])}, {"y", dec(a.m_i[1])}})), a.key.k),
       std::string(wl::kTNotOpened)},
      {"predicate r", a.open_args(with(rec, "predicate", dec(R)), a.key.k), "predicate must lie in [0, F_R)"},
      {"eIss.C off curve", a.open_args(with(rec, "eIss", ct_dec_json(off_iss_c)), a.key.k),
       "G1 point not on curve"},
  };
  for (const auto& c : cases) EXPECT_EQ(outcome(wl::open_a2(c.args)), c.msg) << c.what;
  // The salt is unwrapped as delivered; a changed salt does not disturb the checks.
  auto r = wl::open_a2(a.open_args(bump(rec, "saltIssWrapped"), a.key.k));
  ASSERT_TRUE(r.ok()) << outcome(r);
  EXPECT_EQ(s_at(parse(*r), "salt_iss"), wl::hex_w(add_r(a.salt_iss, u(1))));
}

// ---- receiving bindings

namespace {

struct Mailbox {
  G1Words m_rec = gmul(u(31));
  G1Words pk = gmul(u(32));
  W salt = u(33);
  W leaf() const {
    auto l = n::mailbox_leaf(m_rec, pk, salt);
    EXPECT_TRUE(l.ok());
    return l.ok() ? *l : W{};
  }
  std::vector<W> leaves() const { return {u(901), u(902), leaf(), u(904), leaf()}; }
  Json args(uint64_t depth) const {
    Json ls = Json::array();
    for (const W& l : leaves()) ls.push(hx(l));
    return obj({{"M_rec", pt(m_rec)}, {"pk_recv", pt(pk)}, {"salt", hx(salt)}, {"leaves", ls},
                {"depth", num(depth)}});
  }
};

n::IdentityMerkleTree tree_of(std::vector<W> leaves, uint64_t depth) {
  auto t = n::IdentityMerkleTree::from_leaves(std::move(leaves), depth);
  EXPECT_TRUE(t.ok());
  return std::move(t).value();
}

Json hex_list(const std::vector<W>& ws) {
  Json a = Json::array();
  for (const W& w : ws) a.push(hx(w));
  return a;
}
Json bit_list(const std::vector<uint8_t>& bits) {
  Json a = Json::array();
  for (uint8_t b : bits) a.push(num(b));
  return a;
}

std::string verify_args(const Mailbox& m, const Json& proof, const W& root) {
  return text(obj({{"M_rec", pt(m.m_rec)}, {"binding", proof}, {"root", hx(root)}}));
}

}  // namespace

TEST(ReceivingBinding, ProvesTheFirstPositionAndVerifies) {
  const Mailbox m;
  auto r = wl::prove_receiving_binding(text(m.args(3)));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json proof = parse(*r);
  auto path = tree_of(m.leaves(), 3).path(2);  // the first of the two copies
  ASSERT_TRUE(path.ok());
  const Json expected = obj({{"pk_recv", pt(m.pk)},
                             {"salt", hx(m.salt)},
                             {"path", obj({{"leaf", hx(m.leaf())},
                                           {"siblings", hex_list(path->siblings)},
                                           {"indexBits", bit_list(path->bits)},
                                           {"root", hx(path->root)}})}});
  EXPECT_EQ(*r, text(expected));
  EXPECT_EQ(outcome(wl::verify_receiving_binding(verify_args(m, proof, path->root))), "ok");
  EXPECT_TRUE(*wl::verify_receiving_binding(verify_args(m, proof, path->root)));

  // Answers false, not an error, for a binding that does not hold.
  Mailbox other_salt = m;
  other_salt.salt = u(34);
  Mailbox other_rec = m;
  other_rec.m_rec = gmul(u(30));
  Json flipped = proof;
  flipped.set("path", with(at(proof, "path"), "indexBits", bit_list({1, 0, 1})));
  Json bad_sibling = proof;
  bad_sibling.set("path", with(at(proof, "path"), "siblings", hex_list({u(1), u(2), u(3)})));
  Json salt_changed = with(proof, "salt", hx(u(34)));
  struct Case { const char* what; std::string args; } falses[] = {
      {"salt", verify_args(m, salt_changed, path->root)},
      {"identity", verify_args(other_rec, proof, path->root)},
      {"root", verify_args(m, proof, plus(path->root, 1))},
      {"bits", verify_args(m, flipped, path->root)},
      {"siblings", verify_args(m, bad_sibling, path->root)},
  };
  for (const auto& c : falses) {
    auto v = wl::verify_receiving_binding(c.args);
    ASSERT_TRUE(v.ok()) << c.what << ": " << outcome(v);
    EXPECT_FALSE(*v) << c.what;
  }
}

TEST(ReceivingBinding, AppendsTheAggregatorPath) {
  const Mailbox m;
  const W sub_root = *tree_of(m.leaves(), 3).root();
  const std::vector<W> agg_leaves = {u(71), u(72), sub_root};
  Json args = m.args(3);
  args.set("aggregator", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(2)}, {"slot", num(2)}}));
  auto r = wl::prove_receiving_binding(text(args));
  ASSERT_TRUE(r.ok()) << outcome(r);
  const Json proof = parse(*r);
  auto lower = tree_of(m.leaves(), 3).path(2);
  auto upper = tree_of(agg_leaves, 2).path(2);
  std::vector<W> siblings = lower->siblings;
  siblings.insert(siblings.end(), upper->siblings.begin(), upper->siblings.end());
  std::vector<uint8_t> bits = lower->bits;
  bits.insert(bits.end(), upper->bits.begin(), upper->bits.end());
  EXPECT_EQ(text(at(proof, "path")), text(obj({{"leaf", hx(m.leaf())},
                                               {"siblings", hex_list(siblings)},
                                               {"indexBits", bit_list(bits)},
                                               {"root", hx(upper->root)}})));
  EXPECT_TRUE(*wl::verify_receiving_binding(verify_args(m, proof, upper->root)));
  EXPECT_FALSE(*wl::verify_receiving_binding(verify_args(m, proof, sub_root)));

  // An empty aggregator ({} or null) is no aggregator.
  for (const Json& none : {Json::object(), Json::null()}) {
    auto plain = wl::prove_receiving_binding(text(with(args, "aggregator", none)));
    ASSERT_TRUE(plain.ok());
    EXPECT_EQ(s_at(at(parse(*plain), "path"), "root"), wl::hex_w(sub_root));
  }
  const std::string slot_msg(wl::kAggregatorSlot);
  struct Case { const char* what; Json agg; std::string msg; } cases[] = {
      {"wrong slot", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(2)}, {"slot", num(1)}}), slot_msg},
      {"slot past the leaves", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(2)}, {"slot", num(3)}}),
       slot_msg},
      {"huge slot", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(2)}, {"slot", num(UINT64_MAX)}}),
       slot_msg},
      {"no slot", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(2)}}), "receipt: missing field"},
      {"no leaves", obj({{"depth", num(2)}, {"slot", num(2)}}), "args: leaves must be an array"},
      {"depth 0", obj({{"leaves", hex_list(agg_leaves)}, {"depth", num(0)}, {"slot", num(2)}}),
       "depth must be in [1, 32]"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(outcome(wl::prove_receiving_binding(text(with(args, "aggregator", c.agg)))), c.msg) << c.what;
}

TEST(ReceivingBinding, ReadingAndLookupErrors) {
  const Mailbox m;
  Json unregistered = m.args(3);
  unregistered.set("leaves", hex_list({u(1), u(2)}));
  struct Case { const char* what; Json args; std::string msg; } proves[] = {
      {"unregistered", unregistered, std::string(wl::kNoRegisteredLeaf)},
      {"leaves not array", with(m.args(3), "leaves", str("x")), "args: leaves must be an array"},
      {"leaf not string", with(m.args(3), "leaves", arr({num(1)})), "args: leaf must be hex"},
      {"depth missing", without(m.args(3), "depth"), "receipt: missing field"},
      {"depth 33", m.args(33), "depth must be in [1, 32]"},
      {"depth 2^64", with(m.args(3), "depth", Json::number_text("18446744073709551616")), "depth must be in [1, 32]"},
      {"too many leaves", m.args(2), "more leaves than the tree depth has positions"},
      {"salt 0", with(m.args(3), "salt", hx(u(0))), "salt must be in [1, F_R); 0 makes the leaf deterministic"},
      {"no M_rec", without(m.args(3), "M_rec"), "receipt: missing field"},
  };
  for (const auto& c : proves) EXPECT_EQ(outcome(wl::prove_receiving_binding(text(c.args))), c.msg) << c.what;

  const Json proof = parse(*wl::prove_receiving_binding(text(m.args(3))));
  const Json path = at(proof, "path");
  struct VCase { const char* what; Json args; std::string msg; } verifies[] = {
      {"no binding", obj({{"M_rec", pt(m.m_rec)}, {"root", hx(u(1))}}), "receipt: missing field"},
      {"no path", obj({{"M_rec", pt(m.m_rec)}, {"binding", without(proof, "path")}, {"root", hx(u(1))}}),
       "receipt: missing field"},
      {"no root", obj({{"M_rec", pt(m.m_rec)}, {"binding", proof}}), "receipt: missing field"},
      {"bits as text", obj({{"M_rec", pt(m.m_rec)}, {"binding", with(proof, "path", with(path, "indexBits",
                                                                                         arr({str("0")})))},
                            {"root", hx(u(1))}}),
       "args: index bit must be 0 or 1"},
      {"no siblings", obj({{"M_rec", pt(m.m_rec)}, {"binding", with(proof, "path", without(path, "siblings"))},
                           {"root", hx(u(1))}}),
       "args: path.siblings must be an array"},
      {"no leaf", obj({{"M_rec", pt(m.m_rec)}, {"binding", with(proof, "path", without(path, "leaf"))},
                       {"root", hx(u(1))}}),
       "receipt: missing field"},
      {"salt r", obj({{"M_rec", pt(m.m_rec)}, {"binding", with(proof, "salt", hx(R))}, {"root", hx(u(1))}}),
       "salt must be in [1, F_R); 0 makes the leaf deterministic"},
  };
  for (const auto& c : verifies) EXPECT_EQ(outcome(wl::verify_receiving_binding(text(c.args))), c.msg) << c.what;
}
