// The registration proof: an honest proof from a real PS presentation and ElGamal
// ciphertext, its transcript recomputed from raw bytes, each verifier step's
// rejection, and the word-level order (range check, then decoding).
#include <gtest/gtest.h>

#include "bn254_points.h"
#include "crypto_support.h"
#include "vorn/crypto/registration.h"
#include "vorn/crypto/words.h"

using namespace cs;
namespace c = vorn::crypto;
namespace cw = vorn::crypto::words;

namespace {

std::mt19937_64 rng(0x2E6);

constexpr const char* kTag = "VeltriaVorn/FiatShamir/IdentityRegistry/Register/v2";

struct Fixture {
  Fr x, y, m, sk, r;
  G2Affine X, Y;
  G1Affine A, B, pk;
  Ciphertext ct;
  c::RegistrationWitness wit;
  c::RegistrationNonces nonces;
  W registrant = u(0xa11ce), chainid = u(1), registry = u(0x5e9);

  // Presentation of a PS signature on m with scalars (a, blind); e_ct = Enc(m*G).
  explicit Fixture(bool identity_c1 = false) {
    x = rnd(rng), y = rnd(rng), m = rnd(rng), sk = rnd(rng), r = rnd(rng);
    X = g2mul(x), Y = g2mul(y);
    const Fr t = rnd(rng), a = rnd(rng), blind = rnd(rng);
    const G1Affine s1 = gmul(t), s2 = mul(s1, x + y * m);
    A = mul(s1, a);
    B = add(mul(s2, a), mul(gmul(y), blind));
    pk = gmul(sk);
    ct = enc(gmul(m), pk, r);
    wit = {blind, m, r, sk};
    nonces = {rnd(rng), rnd(rng), rnd(rng), rnd(rng)};
    // C1 = m~*A + b~*G = (m~*a*t + b~)*G vanishes for b~ = -m~*a*t.
    if (identity_c1) nonces.b_tilde = -(nonces.m_tilde * a * t);
  }
  c::RegistrationProof prove() const {
    return c::registration_prove(A, B, pk, ct, wit, nonces, registrant, chainid, registry);
  }
  bool verify(const c::RegistrationProof& p) const {
    return c::registration_verify(A, B, ct, pk, X, Y, p, registrant, chainid, registry);
  }
};

TEST(Registration, HonestProofHasTheDefinedCommitmentsTranscriptAndResponses) {
  const Fixture f;
  const c::RegistrationProof p = f.prove();
  const auto& n = f.nonces;
  EXPECT_EQ(p.C1, add(mul(f.A, n.m_tilde), gmul(n.b_tilde)));
  EXPECT_EQ(p.T_C, add(gmul(n.m_tilde), mul(f.pk, n.r_tilde)));
  EXPECT_EQ(p.T_R, gmul(n.r_tilde));
  EXPECT_EQ(p.T_key, gmul(n.sk_tilde));
  EXPECT_EQ(p.e, fs({pw(f.A), pw(f.B), pw(f.ct.R), pw(f.ct.C), pw(f.pk), pw(p.C1), pw(p.T_C), pw(p.T_R), pw(p.T_key)},
                    {f.registrant, f.chainid, f.registry}, kTag));
  const Fr e = fr_from_w_reduce(p.e);
  EXPECT_EQ(p.s_m, (n.m_tilde + e * f.m).to_w());
  EXPECT_EQ(p.s_b, (n.b_tilde + e * f.wit.blind).to_w());
  EXPECT_EQ(p.s_r, (n.r_tilde + e * f.r).to_w());
  EXPECT_EQ(p.s_sk, (n.sk_tilde + e * f.sk).to_w());
  EXPECT_TRUE(f.verify(p));
}

TEST(Registration, IdentityC1IsDecodedAndProcessedNormally) {
  const Fixture f(/*identity_c1=*/true);
  const c::RegistrationProof p = f.prove();
  ASSERT_TRUE(p.C1.infinity);
  EXPECT_TRUE(f.verify(p));
}

TEST(Registration, FalseWitnessesFailTheirEquation) {
  // The prover checks nothing; each false witness gives a proof that verifies false.
  struct Case {
    const char* name;
    void (*edit)(Fixture&);
  } cases[] = {
      // m differs from the signed m (the ciphertext still encrypts the proven m).
      {"unsigned m", [](Fixture& f) { f.wit.m += Fr::one(); f.ct = enc(gmul(f.wit.m), f.pk, f.r); }},
      {"e_ct encrypts another point", [](Fixture& f) { f.ct = enc(gmul(f.m + Fr::one()), f.pk, f.r); }},
      {"wrong randomness", [](Fixture& f) { f.wit.r += Fr::one(); }},
      {"sk does not match pk", [](Fixture& f) { f.wit.sk += Fr::one(); }},
      {"wrong blind", [](Fixture& f) { f.wit.blind += Fr::one(); }},
      {"other issuer key", [](Fixture& f) { f.X = g2mul(f.x + Fr::one()); }},
  };
  for (const Case& cs : cases) {
    Fixture f;
    cs.edit(f);
    EXPECT_FALSE(f.verify(f.prove())) << cs.name;
  }
}

TEST(Registration, EveryProofFieldAndBindingWordIsChecked) {
  const Fixture f;
  const c::RegistrationProof p = f.prove();
  using P = c::RegistrationProof;
  struct Case {
    const char* name;
    void (*edit)(P&);
  } cases[] = {
      {"e + 1", [](P& p) { p.e = (fr_from_w_reduce(p.e) + Fr::one()).to_w(); }},
      {"s_m + 1", [](P& p) { p.s_m = (fr_from_w_reduce(p.s_m) + Fr::one()).to_w(); }},
      {"s_b + 1", [](P& p) { p.s_b = (fr_from_w_reduce(p.s_b) + Fr::one()).to_w(); }},
      {"s_r + 1", [](P& p) { p.s_r = (fr_from_w_reduce(p.s_r) + Fr::one()).to_w(); }},
      {"s_sk + 1", [](P& p) { p.s_sk = (fr_from_w_reduce(p.s_sk) + Fr::one()).to_w(); }},
      {"e + r", [](P& p) { p.e = plus_r(p.e); }},
      {"s_m + r", [](P& p) { p.s_m = plus_r(p.s_m); }},
      {"s_b + r", [](P& p) { p.s_b = plus_r(p.s_b); }},
      {"s_r + r", [](P& p) { p.s_r = plus_r(p.s_r); }},
      {"s_sk + r", [](P& p) { p.s_sk = plus_r(p.s_sk); }},
      {"C1 + G", [](P& p) { p.C1 = add(p.C1, G()); }},
      {"T_C + G", [](P& p) { p.T_C = add(p.T_C, G()); }},
      {"T_R + G", [](P& p) { p.T_R = add(p.T_R, G()); }},
      {"T_key + G", [](P& p) { p.T_key = add(p.T_key, G()); }},
  };
  for (const Case& cs : cases) {
    P q = p;
    cs.edit(q);
    EXPECT_FALSE(f.verify(q)) << cs.name;
  }
  for (W Fixture::*word : {&Fixture::registrant, &Fixture::chainid, &Fixture::registry}) {
    Fixture g = f;
    g.*word = plus_r(g.*word);  // the binding words enter unreduced
    EXPECT_FALSE(g.verify(p));
  }
}

TEST(Registration, IdentityStatementPointsAreRejected) {
  const Fixture f;
  const c::RegistrationProof p = f.prove();
  for (G1Affine Fixture::*pt : {&Fixture::A, &Fixture::B, &Fixture::pk}) {
    Fixture g = f;
    g.*pt = O();
    EXPECT_FALSE(g.verify(g.prove()));
  }
  Fixture g = f;
  g.ct.R = O();
  EXPECT_FALSE(g.verify(g.prove()));
  EXPECT_TRUE(f.verify(p));
}

struct WordsFixture {
  Fixture f;
  c::RegistrationProof p = f.prove();
  cw::RegistrationProofW pw_() const {
    return {pw(p.C1), pw(p.T_C), pw(p.T_R), pw(p.T_key), p.e, p.s_m, p.s_b, p.s_r, p.s_sk};
  }
  Result<bool> verify(const std::vector<G1Words>& v, const cw::RegistrationProofW& proof, const G2Words& X,
                      const G2Words& Y) const {
    cw::RegistrationProofW q = proof;
    q.C1 = v[5], q.T_C = v[6], q.T_R = v[7], q.T_key = v[8];
    return cw::registration_verify(v[0], v[1], ctw(v[3], v[4]), v[2], X, Y, q, f.registrant, f.chainid, f.registry);
  }
  std::vector<G1Words> points() const {
    return {pw(f.A), pw(f.B), pw(f.pk), pw(f.ct.R), pw(f.ct.C), pw(p.C1), pw(p.T_C), pw(p.T_R), pw(p.T_key)};
  }
};

TEST(RegistrationWords, RangeCheckComesBeforeDecodingAndDecodingFollowsTheStatementOrder) {
  const WordsFixture w;
  const G2Words X = w_from_g2(w.f.X), Y = w_from_g2(w.f.Y);
  EXPECT_TRUE(w.verify(w.points(), w.pw_(), X, Y).value());

  // A scalar of r or more answers false even with a malformed statement point.
  std::vector<G1Words> bad = w.points();
  bad[0] = off_curve();
  for (W cw::RegistrationProofW::*s : {&cw::RegistrationProofW::e, &cw::RegistrationProofW::s_m,
                                       &cw::RegistrationProofW::s_b, &cw::RegistrationProofW::s_r,
                                       &cw::RegistrationProofW::s_sk}) {
    cw::RegistrationProofW q = w.pw_();
    q.*s = r_word();
    EXPECT_FALSE(w.verify(bad, q, X, Y).value());
  }
  // Decoding: A, B, pk, R, C, C1, T_C, T_R, T_key, then X, then Y.
  expect_decode_order(w.points(), [&](const std::vector<G1Words>& v) { return w.verify(v, w.pw_(), X, Y); });
  std::mt19937_64 r2(7);
  const G2Words outside = w_from_g2(testpts::random_twist_point(r2));
  G2Words off_twist = X;
  off_twist[1] = W::from_u64(1);
  std::vector<G1Words> last_bad = w.points();
  last_bad[8] = off_curve();
  EXPECT_EQ(err(w.verify(last_bad, w.pw_(), off_twist, Y)), kOffCurve);
  EXPECT_EQ(err(w.verify(w.points(), w.pw_(), off_twist, outside)), kMsgG2NotOnCurve);
  EXPECT_EQ(err(w.verify(w.points(), w.pw_(), X, outside)), kMsgG2NotInSubgroup);
  // An identity A is decoded first, then answered false.
  std::vector<G1Words> id_a = w.points();
  id_a[0] = G1Words{};
  EXPECT_FALSE(w.verify(id_a, w.pw_(), X, Y).value());
}

TEST(RegistrationWords, ProverDecodesAThenBThenPkThenRThenC) {
  const Fixture f;
  const auto& n = f.nonces;
  auto prove = [&](const std::vector<G1Words>& v) {
    return cw::registration_prove(v[0], v[1], f.wit.blind.to_w(), f.m.to_w(), f.r.to_w(), v[2], ctw(v[3], v[4]),
                                  f.registrant, f.sk.to_w(), f.chainid, f.registry, n.m_tilde.to_w(),
                                  n.b_tilde.to_w(), n.r_tilde.to_w(), n.sk_tilde.to_w());
  };
  const std::vector<G1Words> pts = {pw(f.A), pw(f.B), pw(f.pk), pw(f.ct.R), pw(f.ct.C)};
  const cw::RegistrationProofW p = prove(pts).value();
  EXPECT_EQ(p.e, f.prove().e);
  expect_decode_order(pts, prove);
}

}  // namespace
