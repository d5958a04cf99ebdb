// The issuer re-encryption and depositor binding proofs (both blinded with H):
// honest proofs against points computed by hand, transcripts recomputed from raw
// bytes, the provers' witness checks with their messages, each verifier step's
// rejection, and the decoding orders.
#include <gtest/gtest.h>

#include "crypto_support.h"
#include "vorn/crypto/b1_binding.h"
#include "vorn/crypto/issuer_reenc.h"
#include "vorn/crypto/words.h"

using namespace cs;
namespace c = vorn::crypto;
namespace cw = vorn::crypto::words;

namespace {

std::mt19937_64 rng(0xB1);

constexpr const char* kReencTag = "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerReenc/v2";
constexpr const char* kBindTag = "VeltriaVorn/FiatShamir/IdentityRegistry/DepositorBinding/v2";

W bump(const W& w) { return (fr_from_w_reduce(w) + Fr::one()).to_w(); }

// ------------------------------------------------------------ issuer re-encryption

struct Reenc {
  Fr sk_iss = rnd(rng), r_prime = rnd(rng);
  G1Affine m = gmul(rnd(rng)), pk_iss = gmul(sk_iss), pk_rec = gmul(rnd(rng));
  Ciphertext e_reg = enc(m, pk_iss, rnd(rng)), e_iss = enc(m, pk_rec, r_prime);
  c::IssuerReencWitness wit{sk_iss, r_prime, pk_rec, rnd(rng), rnd(rng)};
  c::IssuerReencNonces nonces{rnd(rng), rnd(rng), rnd(rng), rnd(rng)};
  W issuer = u(0x155), chainid = u(8453);

  Result<c::IssuerReencProof> prove() const {
    return c::issuer_reenc_prove(wit, e_reg, e_iss, issuer, chainid, nonces);
  }
  bool verify(const c::IssuerReencProof& p) const {
    return c::issuer_reenc_verify(pk_iss, e_reg, e_iss, p, issuer, chainid).value();
  }
};

TEST(IssuerReenc, HonestProofBlindsTheRecipientKey) {
  const Reenc f;
  const c::IssuerReencProof p = f.prove().value();
  const G1Affine h = H();
  const auto& w = f.wit;
  const auto& n = f.nonces;
  EXPECT_EQ(p.Q, add(f.pk_rec, mul(h, w.beta)));
  EXPECT_EQ(p.U, mul(h, w.r_prime));
  EXPECT_EQ(p.T, add(mul(f.pk_rec, w.r_prime), mul(h, w.gamma)));
  EXPECT_EQ(p.A1, gmul(n.k_r));
  EXPECT_EQ(p.A2, mul(h, n.k_r));
  EXPECT_EQ(p.A3, add(sub(mul(p.Q, n.k_r), mul(p.U, n.k_b)), mul(h, n.k_g)));
  EXPECT_EQ(p.A4, gmul(n.k_s));
  EXPECT_EQ(p.A5, add(mul(f.e_reg.R, n.k_s), mul(h, n.k_g)));
  // pk_rec is not absorbed.
  EXPECT_EQ(p.e, fs({pw(f.pk_iss), pw(f.e_reg.R), pw(f.e_reg.C), pw(f.e_iss.R), pw(f.e_iss.C), pw(p.Q), pw(p.U),
                     pw(p.T), pw(p.A1), pw(p.A2), pw(p.A3), pw(p.A4), pw(p.A5)},
                    {f.issuer, f.chainid}, kReencTag));
  const Fr e = fr_from_w_reduce(p.e);
  EXPECT_EQ(p.s_r, (n.k_r + e * w.r_prime).to_w());
  EXPECT_EQ(p.s_b, (n.k_b + e * w.beta).to_w());
  EXPECT_EQ(p.s_s, (n.k_s + e * w.sk_iss).to_w());
  EXPECT_EQ(p.s_g, (n.k_g + e * w.gamma).to_w());
  EXPECT_TRUE(f.verify(p));
}

TEST(IssuerReenc, OtherBlindingsGiveOtherPointsThatVerify) {
  Reenc f;
  const c::IssuerReencProof p1 = f.prove().value();
  f.wit.beta += Fr::one();
  f.wit.gamma += Fr::one();
  const c::IssuerReencProof p2 = f.prove().value();
  EXPECT_NE(p1.Q, p2.Q);
  EXPECT_NE(p1.T, p2.T);
  EXPECT_TRUE(f.verify(p1));
  EXPECT_TRUE(f.verify(p2));
}

TEST(IssuerReenc, ProverRefusesAnInconsistentReencryption) {
  struct Case {
    const char* name;
    void (*edit)(Reenc&);
    const char* msg;
  } cases[] = {
      {"other randomness", [](Reenc& f) { f.e_iss = enc(f.m, f.pk_rec, f.r_prime + Fr::one()); }, c::kMsgReencR},
      {"other point", [](Reenc& f) { f.e_iss = enc(add(f.m, G()), f.pk_rec, f.r_prime); }, c::kMsgReencC},
      {"other key", [](Reenc& f) { f.e_iss = enc(f.m, add(f.pk_rec, G()), f.r_prime); }, c::kMsgReencC},
      {"wrong sk_iss", [](Reenc& f) { f.wit.sk_iss += Fr::one(); }, c::kMsgReencC},
      {"R checked first", [](Reenc& f) { f.e_iss = enc(add(f.m, G()), f.pk_rec, Fr::one()); }, c::kMsgReencR},
  };
  for (const Case& cs : cases) {
    Reenc f;
    cs.edit(f);
    EXPECT_EQ(err(f.prove()), cs.msg) << cs.name;
  }
}

TEST(IssuerReenc, EveryEquationAndTheChallengeAreChecked) {
  const Reenc f;
  const c::IssuerReencProof p = f.prove().value();
  using P = c::IssuerReencProof;
  struct Case {
    const char* name;
    void (*edit)(P&);
    bool want;
  } cases[] = {
      {"s_r + r", [](P& p) { p.s_r = plus_r(p.s_r); }, true},
      {"s_b + r", [](P& p) { p.s_b = plus_r(p.s_b); }, true},
      {"s_s + r", [](P& p) { p.s_s = plus_r(p.s_s); }, true},
      {"s_g + r", [](P& p) { p.s_g = plus_r(p.s_g); }, true},
      {"e + r", [](P& p) { p.e = plus_r(p.e); }, false},
      {"e + 1", [](P& p) { p.e = bump(p.e); }, false},
      {"s_r + 1", [](P& p) { p.s_r = bump(p.s_r); }, false},
      {"s_b + 1", [](P& p) { p.s_b = bump(p.s_b); }, false},
      {"s_s + 1", [](P& p) { p.s_s = bump(p.s_s); }, false},
      {"s_g + 1", [](P& p) { p.s_g = bump(p.s_g); }, false},
      {"A1", [](P& p) { p.A1 = add(p.A1, G()); }, false},
      {"A2", [](P& p) { p.A2 = add(p.A2, G()); }, false},
      {"A3", [](P& p) { p.A3 = add(p.A3, G()); }, false},
      {"A4", [](P& p) { p.A4 = add(p.A4, G()); }, false},
      {"A5", [](P& p) { p.A5 = add(p.A5, G()); }, false},
      {"Q", [](P& p) { p.Q = add(p.Q, G()); }, false},
      {"U", [](P& p) { p.U = add(p.U, G()); }, false},
      {"T", [](P& p) { p.T = add(p.T, G()); }, false},
  };
  for (const Case& cs : cases) {
    P q = p;
    cs.edit(q);
    EXPECT_EQ(f.verify(q), cs.want) << cs.name;
  }
  const Reenc other_key = [&] { Reenc g = f; g.pk_iss = add(g.pk_iss, G()); return g; }();
  EXPECT_FALSE(other_key.verify(p));
  for (W Reenc::*word : {&Reenc::issuer, &Reenc::chainid}) {
    Reenc g = f;
    g.*word = plus_r(g.*word);
    EXPECT_FALSE(g.verify(p));
  }
}

TEST(IssuerReencWords, DecodingOrders) {
  const Reenc f;
  const c::IssuerReencProof p = f.prove().value();
  const std::vector<G1Words> pts = {pw(f.pk_iss), pw(f.e_reg.R), pw(f.e_reg.C), pw(f.e_iss.R), pw(f.e_iss.C),
                                    pw(p.Q),      pw(p.U),       pw(p.T),       pw(p.A1),      pw(p.A2),
                                    pw(p.A3),     pw(p.A4),      pw(p.A5)};
  auto verify = [&](const std::vector<G1Words>& v) {
    const cw::IssuerReencProofW q{v[8], v[9], v[10], v[11], v[12], v[5], v[6], v[7], p.e, p.s_r, p.s_b, p.s_s, p.s_g};
    return cw::issuer_reenc_verify(v[0], ctw(v[1], v[2]), ctw(v[3], v[4]), q, f.issuer, f.chainid);
  };
  EXPECT_TRUE(verify(pts).value());
  expect_decode_order(pts, verify);

  const auto& w = f.wit;
  const auto& n = f.nonces;
  auto prove = [&](const std::vector<G1Words>& v) {
    return cw::issuer_reenc_prove(w.sk_iss.to_w(), w.r_prime.to_w(), v[0], ctw(v[1], v[2]), ctw(v[3], v[4]), f.issuer,
                                  f.chainid, w.beta.to_w(), w.gamma.to_w(), n.k_r.to_w(), n.k_b.to_w(), n.k_s.to_w(),
                                  n.k_g.to_w());
  };
  const std::vector<G1Words> stmt = {pw(f.pk_rec), pw(f.e_reg.R), pw(f.e_reg.C), pw(f.e_iss.R), pw(f.e_iss.C)};
  EXPECT_EQ(prove(stmt).value().e, p.e);
  expect_decode_order(stmt, prove);
}

// --------------------------------------------------------------- depositor binding

struct Bind {
  Fr m_dep = rnd(rng), sk_dep = rnd(rng), sk_iss = rnd(rng);
  G1Affine pk_dep = gmul(sk_dep), pk_iss = gmul(sk_iss);
  Ciphertext e_dep = enc(gmul(m_dep), pk_dep, rnd(rng));
  c::B1BindWitness wit{m_dep, sk_dep, rnd(rng), rnd(rng)};
  c::B1BindNonces nonces{rnd(rng), rnd(rng), rnd(rng), rnd(rng)};
  W account = u(0xde9), chainid = u(1);

  Result<c::B1Binding> prove() const { return c::b1_bind_prove(wit, e_dep, pk_iss, account, chainid, nonces); }
  bool verify(const c::B1Binding& b) const {
    return c::b1_bind_verify(pk_dep, e_dep, pk_iss, b.e_dep_for_iss, b.proof, account, chainid).value();
  }
};

TEST(DepositorBinding, HonestProofReencryptsToTheIssuerAndCommits) {
  const Bind f;
  const c::B1Binding b = f.prove().value();
  const c::B1BindProof& p = b.proof;
  const G1Affine h = H(), md = gmul(f.m_dep);
  const auto& w = f.wit;
  const auto& n = f.nonces;
  EXPECT_EQ(b.e_dep_for_iss.R, gmul(w.r));
  EXPECT_EQ(b.e_dep_for_iss.C, add(md, mul(f.pk_iss, w.r)));
  EXPECT_EQ(c::elgamal_decrypt(b.e_dep_for_iss, f.sk_iss), md);
  EXPECT_EQ(p.Cm, add(md, mul(h, w.b)));
  EXPECT_EQ(p.D1, add(gmul(n.k_m), mul(f.e_dep.R, n.k_s)));
  EXPECT_EQ(p.D2, gmul(n.k_s));
  EXPECT_EQ(p.D3, gmul(n.k_r));
  EXPECT_EQ(p.D4, add(gmul(n.k_m), mul(f.pk_iss, n.k_r)));
  EXPECT_EQ(p.D5, add(gmul(n.k_m), mul(h, n.k_b)));
  EXPECT_EQ(p.e, fs({pw(f.pk_dep), pw(f.e_dep.R), pw(f.e_dep.C), pw(f.pk_iss), pw(b.e_dep_for_iss.R),
                     pw(b.e_dep_for_iss.C), pw(p.D1), pw(p.D2), pw(p.D3), pw(p.D4), pw(p.D5), pw(p.Cm)},
                    {f.account, f.chainid}, kBindTag));
  const Fr e = fr_from_w_reduce(p.e);
  EXPECT_EQ(p.s_m, (n.k_m + e * w.m_dep).to_w());
  EXPECT_EQ(p.s_s, (n.k_s + e * w.sk_dep).to_w());
  EXPECT_EQ(p.s_r, (n.k_r + e * w.r).to_w());
  EXPECT_EQ(p.s_b, (n.k_b + e * w.b).to_w());
  EXPECT_TRUE(f.verify(b));

  Bind g = f;
  g.wit.b += Fr::one();
  const c::B1Binding b2 = g.prove().value();
  EXPECT_NE(b2.proof.Cm, p.Cm);
  EXPECT_TRUE(g.verify(b2));
}

TEST(DepositorBinding, ProverRefusesAnEDepThatDoesNotDecryptToMDep) {
  void (*const edits[])(Bind&) = {
      [](Bind& f) { f.e_dep = enc(add(gmul(f.m_dep), G()), f.pk_dep, Fr::one()); },
      [](Bind& f) { f.e_dep = enc(gmul(f.m_dep), add(f.pk_dep, G()), Fr::one()); },
      [](Bind& f) { f.wit.m_dep += Fr::one(); },
      [](Bind& f) { f.wit.sk_dep += Fr::one(); },
  };
  for (auto edit : edits) {
    Bind f;
    edit(f);
    EXPECT_EQ(err(f.prove()), c::kMsgDepNotDecrypting);
  }
}

TEST(DepositorBinding, EveryEquationAndTheChallengeAreChecked) {
  const Bind f;
  const c::B1Binding b = f.prove().value();
  using B = c::B1Binding;
  struct Case {
    const char* name;
    void (*edit)(B&);
    bool want;
  } cases[] = {
      {"s_m + r", [](B& b) { b.proof.s_m = plus_r(b.proof.s_m); }, true},
      {"s_s + r", [](B& b) { b.proof.s_s = plus_r(b.proof.s_s); }, true},
      {"s_r + r", [](B& b) { b.proof.s_r = plus_r(b.proof.s_r); }, true},
      {"s_b + r", [](B& b) { b.proof.s_b = plus_r(b.proof.s_b); }, true},
      {"e + r", [](B& b) { b.proof.e = plus_r(b.proof.e); }, false},
      {"e + 1", [](B& b) { b.proof.e = bump(b.proof.e); }, false},
      {"s_m + 1", [](B& b) { b.proof.s_m = bump(b.proof.s_m); }, false},
      {"s_s + 1", [](B& b) { b.proof.s_s = bump(b.proof.s_s); }, false},
      {"s_r + 1", [](B& b) { b.proof.s_r = bump(b.proof.s_r); }, false},
      {"s_b + 1", [](B& b) { b.proof.s_b = bump(b.proof.s_b); }, false},
      {"D1", [](B& b) { b.proof.D1 = add(b.proof.D1, G()); }, false},
      {"D2", [](B& b) { b.proof.D2 = add(b.proof.D2, G()); }, false},
      {"D3", [](B& b) { b.proof.D3 = add(b.proof.D3, G()); }, false},
      {"D4", [](B& b) { b.proof.D4 = add(b.proof.D4, G()); }, false},
      {"D5", [](B& b) { b.proof.D5 = add(b.proof.D5, G()); }, false},
      {"Cm", [](B& b) { b.proof.Cm = add(b.proof.Cm, G()); }, false},
      {"other e_dep_for_iss.R", [](B& b) { b.e_dep_for_iss.R = add(b.e_dep_for_iss.R, G()); }, false},
      {"other e_dep_for_iss.C", [](B& b) { b.e_dep_for_iss.C = add(b.e_dep_for_iss.C, G()); }, false},
  };
  for (const Case& cs : cases) {
    B q = b;
    cs.edit(q);
    EXPECT_EQ(f.verify(q), cs.want) << cs.name;
  }
  for (G1Affine Bind::*pt : {&Bind::pk_dep, &Bind::pk_iss}) {
    Bind g = f;
    g.*pt = add(g.*pt, G());
    EXPECT_FALSE(g.verify(b));
  }
  for (W Bind::*word : {&Bind::account, &Bind::chainid}) {
    Bind g = f;
    g.*word = plus_r(g.*word);
    EXPECT_FALSE(g.verify(b));
  }
}

TEST(DepositorBindingWords, DecodingOrders) {
  const Bind f;
  const c::B1Binding b = f.prove().value();
  const c::B1BindProof& p = b.proof;
  const std::vector<G1Words> pts = {pw(f.pk_dep), pw(f.e_dep.R), pw(f.e_dep.C), pw(f.pk_iss),
                                    pw(b.e_dep_for_iss.R), pw(b.e_dep_for_iss.C), pw(p.D1), pw(p.D2),
                                    pw(p.D3), pw(p.D4), pw(p.D5), pw(p.Cm)};
  auto verify = [&](const std::vector<G1Words>& v) {
    const cw::B1BindProofW q{v[6], v[7], v[8], v[9], v[10], v[11], p.e, p.s_m, p.s_s, p.s_r, p.s_b};
    return cw::b1_bind_verify(v[0], ctw(v[1], v[2]), v[3], ctw(v[4], v[5]), q, f.account, f.chainid);
  };
  EXPECT_TRUE(verify(pts).value());
  expect_decode_order(pts, verify);

  const auto& w = f.wit;
  const auto& n = f.nonces;
  auto prove = [&](const std::vector<G1Words>& v) {
    return cw::b1_bind_prove(w.m_dep.to_w(), w.sk_dep.to_w(), ctw(v[0], v[1]), v[2], f.account, f.chainid,
                             w.r.to_w(), w.b.to_w(), n.k_m.to_w(), n.k_s.to_w(), n.k_r.to_w(), n.k_b.to_w());
  };
  const std::vector<G1Words> stmt = {pw(f.e_dep.R), pw(f.e_dep.C), pw(f.pk_iss)};
  const cw::B1BindingW bw = prove(stmt).value();
  EXPECT_EQ(bw.proof.e, p.e);
  EXPECT_EQ(bw.e_dep_for_iss, ctw(b.e_dep_for_iss));
  expect_decode_order(stmt, prove);
}

}  // namespace
