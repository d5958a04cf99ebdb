// The Chaum-Pedersen approval proof and the verifiable-decryption / identity-opening
// DLEQ: honest proofs with their transcripts recomputed from raw bytes, each
// verifier step's rejection, the range and identity rules, and the decoding orders.
#include <gtest/gtest.h>

#include "crypto_support.h"
#include "vorn/crypto/chaum_pedersen.h"
#include "vorn/crypto/verifiable_decrypt.h"
#include "vorn/crypto/words.h"

using namespace cs;
namespace c = vorn::crypto;
namespace cw = vorn::crypto::words;

namespace {

std::mt19937_64 rng(0xCB);

constexpr const char* kApprove = "VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2";
constexpr const char* kVd = "VeltriaVorn/FiatShamir/Receipt/VerifiableDecrypt/v2";
constexpr const char* kOpening = "VeltriaVorn/FiatShamir/IdentityRegistry/IdentityOpening/v2";

Fr plus1(const Fr& a) { return a + Fr::one(); }
W bump(const W& w) { return plus1(fr_from_w_reduce(w)).to_w(); }

// ---------------------------------------------------------------- Chaum-Pedersen

struct Cp {
  Fr sk_a = rnd(rng), r_prime = rnd(rng), k1 = rnd(rng), k2 = rnd(rng);
  G1Affine m = gmul(rnd(rng)), pk_a = gmul(sk_a), pk_b = gmul(rnd(rng));
  Ciphertext ea = enc(m, pk_a, rnd(rng)), eb = enc(m, pk_b, r_prime);
  c::CpContext ctx{u(0x5e), u(0x59), u(1), u(0x2e)};

  c::CpProof prove() const { return c::chaum_pedersen_prove(ea, eb, pk_a, pk_b, sk_a, r_prime, ctx, k1, k2); }
  bool verify(const c::CpProof& p) const { return c::chaum_pedersen_verify(ea, eb, pk_a, pk_b, p, ctx); }
};

TEST(ChaumPedersen, HonestProofHasTheDefinedCommitmentsAndTranscript) {
  const Cp f;
  const c::CpProof p = f.prove();
  EXPECT_EQ(p.T1, gmul(f.k1));
  EXPECT_EQ(p.T2, sub(mul(f.ea.R, f.k1), mul(f.pk_b, f.k2)));
  EXPECT_EQ(p.T3, gmul(f.k2));
  EXPECT_EQ(p.e, fs({pw(f.ea.R), pw(f.ea.C), pw(f.eb.R), pw(f.eb.C), pw(f.pk_a), pw(f.pk_b), pw(p.T1), pw(p.T2),
                     pw(p.T3)},
                    {f.ctx.sender, f.ctx.spender, f.ctx.chainid, f.ctx.registry}, kApprove));
  const Fr e = fr_from_w_reduce(p.e);
  EXPECT_EQ(p.s1, (f.k1 + e * f.sk_a).to_w());
  EXPECT_EQ(p.s2, (f.k2 + e * f.r_prime).to_w());
  EXPECT_TRUE(f.verify(p));
}

TEST(ChaumPedersen, FalseStatementsAndContextsAreRejected) {
  struct Case {
    const char* name;
    void (*edit)(Cp&);
  } cases[] = {
      {"bob's ciphertext carries another point", [](Cp& f) { f.eb = enc(add(f.m, G()), f.pk_b, f.r_prime); }},
      {"wrong sk_alice", [](Cp& f) { f.sk_a = plus1(f.sk_a); }},
      {"wrong r_prime", [](Cp& f) { f.r_prime = plus1(f.r_prime); }},
      {"pk_bob is the identity", [](Cp& f) { f.pk_b = O(); f.eb = enc(f.m, f.pk_b, f.r_prime); }},
      {"pk_alice is the identity", [](Cp& f) { f.pk_a = O(); }},
      {"R_a is the identity", [](Cp& f) { f.sk_a = Fr::zero(); f.ea = enc(f.m, f.pk_a, Fr::zero()); }},
      {"R_b is the identity", [](Cp& f) { f.r_prime = Fr::zero(); f.eb = enc(f.m, f.pk_b, Fr::zero()); }},
  };
  for (const Case& cs : cases) {
    Cp f;
    cs.edit(f);
    EXPECT_FALSE(f.verify(f.prove())) << cs.name;
  }
  // The context binds: the equations still hold, only the challenge differs.
  const Cp f;
  const c::CpProof p = f.prove();
  const c::CpContext contexts[] = {{f.ctx.spender, f.ctx.sender, f.ctx.chainid, f.ctx.registry},
                                   {f.ctx.sender, f.ctx.spender, u(2), f.ctx.registry},
                                   {f.ctx.sender, f.ctx.spender, f.ctx.chainid, plus_r(f.ctx.registry)}};
  for (const c::CpContext& ctx : contexts) EXPECT_FALSE(c::chaum_pedersen_verify(f.ea, f.eb, f.pk_a, f.pk_b, p, ctx));
}

TEST(ChaumPedersen, EveryProofFieldIsCheckedAndScalarsMustBeBelowR) {
  const Cp f;
  const c::CpProof p = f.prove();
  using P = c::CpProof;
  struct Case {
    const char* name;
    void (*edit)(P&);
  } cases[] = {
      {"e + 1", [](P& p) { p.e = bump(p.e); }},       {"s1 + 1", [](P& p) { p.s1 = bump(p.s1); }},
      {"s2 + 1", [](P& p) { p.s2 = bump(p.s2); }},    {"T1 + G", [](P& p) { p.T1 = add(p.T1, G()); }},
      {"T2 + G", [](P& p) { p.T2 = add(p.T2, G()); }}, {"T3 + G", [](P& p) { p.T3 = add(p.T3, G()); }},
      // The equations would hold modulo r; the range check refuses them first.
      {"e + r", [](P& p) { p.e = plus_r(p.e); }},     {"s1 + r", [](P& p) { p.s1 = plus_r(p.s1); }},
      {"s2 + r", [](P& p) { p.s2 = plus_r(p.s2); }},
  };
  for (const Case& cs : cases) {
    P q = p;
    cs.edit(q);
    EXPECT_FALSE(f.verify(q)) << cs.name;
  }
}

TEST(ChaumPedersenWords, RangeBeforeDecodingDecodingBeforeIdentity) {
  const Cp f;
  const c::CpProof p = f.prove();
  const cw::CpProofW proof{pw(p.T1), pw(p.T2), pw(p.T3), p.e, p.s1, p.s2};
  auto verify = [&](const std::vector<G1Words>& v, const cw::CpProofW& pr) {
    cw::CpProofW q = pr;
    q.T1 = v[6], q.T2 = v[7], q.T3 = v[8];
    return cw::chaum_pedersen_verify(ctw(v[0], v[1]), ctw(v[2], v[3]), v[4], v[5], q, f.ctx.sender, f.ctx.spender,
                                     f.ctx.chainid, f.ctx.registry);
  };
  const std::vector<G1Words> pts = {pw(f.ea.R), pw(f.ea.C), pw(f.eb.R), pw(f.eb.C), pw(f.pk_a),
                                    pw(f.pk_b), pw(p.T1),   pw(p.T2),   pw(p.T3)};
  EXPECT_TRUE(verify(pts, proof).value());
  expect_decode_order(pts, [&](const std::vector<G1Words>& v) { return verify(v, proof); });

  std::vector<G1Words> bad = pts;
  bad[0] = off_curve();
  cw::CpProofW out_of_range = proof;
  out_of_range.s2 = plus_r(proof.s2);
  EXPECT_FALSE(verify(bad, out_of_range).value());  // false, not the decoding error
  // An identity pk_bob is only looked at after every point decoded.
  std::vector<G1Words> id_b = pts;
  id_b[5] = G1Words{};
  EXPECT_FALSE(verify(id_b, proof).value());
  id_b[8] = off_curve();
  EXPECT_EQ(err(verify(id_b, proof)), kOffCurve);

  auto prove = [&](const std::vector<G1Words>& v) {
    return cw::chaum_pedersen_prove(ctw(v[0], v[1]), ctw(v[2], v[3]), v[4], v[5], f.sk_a.to_w(), f.r_prime.to_w(),
                                    f.ctx.sender, f.ctx.spender, f.ctx.chainid, f.ctx.registry, f.k1.to_w(),
                                    f.k2.to_w());
  };
  const std::vector<G1Words> stmt(pts.begin(), pts.begin() + 6);
  EXPECT_EQ(prove(stmt).value().e, p.e);
  expect_decode_order(stmt, prove);
}

// ---------------------------------------------- verifiable decryption / opening

struct Vd {
  Fr sk = rnd(rng), t = rnd(rng);
  G1Affine pk = gmul(sk), m = gmul(rnd(rng));
  Ciphertext ct = enc(m, pk, rnd(rng));
  W account = u(0xacc), chainid = u(10), registry = u(0x7e9);

  c::VdContext receipt() const { return c::VdContext::receipt(account, chainid); }
  c::VdContext opening() const { return c::VdContext::opening(account, chainid, registry); }
};

TEST(Dleq, BothTranscriptsProveAndNeverCrossOver) {
  const Vd f;
  const c::VdProof vd = c::verifiable_decrypt_prove(f.ct, f.sk, f.m, f.account, f.chainid, f.t);
  const c::VdProof op = c::identity_opening_prove(f.ct, f.sk, f.m, f.account, f.chainid, f.registry, f.t);
  for (const c::VdProof* p : {&vd, &op}) {
    EXPECT_EQ(p->T1, gmul(f.t));
    EXPECT_EQ(p->T2, mul(f.ct.R, f.t));
    EXPECT_EQ(p->s, (f.t + fr_from_w_reduce(p->e) * f.sk).to_w());
  }
  const std::initializer_list<G1Words> pts = {pw(f.ct.R), pw(f.ct.C), pw(f.pk), pw(f.m), pw(vd.T1), pw(vd.T2)};
  EXPECT_EQ(vd.e, fs(pts, {f.account, f.chainid}, kVd));
  EXPECT_EQ(op.e, fs(pts, {f.account, f.chainid, f.registry}, kOpening));

  EXPECT_TRUE(c::verifiable_decrypt_verify(f.ct, f.pk, f.m, vd, f.account, f.chainid));
  EXPECT_TRUE(c::identity_opening_verify(f.ct, f.pk, f.m, op, f.account, f.chainid, f.registry));
  EXPECT_FALSE(c::verifiable_decrypt_verify(f.ct, f.pk, f.m, op, f.account, f.chainid));
  EXPECT_FALSE(c::identity_opening_verify(f.ct, f.pk, f.m, vd, f.account, f.chainid, f.registry));
}

TEST(Dleq, EachStepRejectsItsFault) {
  const Vd f;
  for (const c::VdContext ctx : {f.receipt(), f.opening()}) {
    const c::VdProof p = c::dleq_prove(f.ct, f.sk, f.m, ctx, f.t);
    c::VdContext other_account = ctx, other_chain = ctx, other_registry = ctx;
    other_account.account = bump(ctx.account);
    other_chain.chainid = bump(ctx.chainid);
    other_registry.registry = bump(ctx.registry);
    c::VdProof s_plus_r = p, e_plus_r = p, bad_t1 = p, bad_t2 = p, bad_s = p;
    s_plus_r.s = plus_r(p.s);
    e_plus_r.e = plus_r(p.e);
    bad_t1.T1 = add(p.T1, G());
    bad_t2.T2 = add(p.T2, G());
    bad_s.s = bump(p.s);
    const bool opening = ctx.kind == c::VdContext::Kind::IdentityOpening;
    struct Case {
      const char* name;
      c::VdProof proof;
      G1Affine pk, m;
      c::VdContext ctx;
      bool want;
    } cases[] = {
        {"valid", p, f.pk, f.m, ctx, true},
        {"s + r accepted mod r", s_plus_r, f.pk, f.m, ctx, true},
        {"e + r never", e_plus_r, f.pk, f.m, ctx, false},
        {"key check", p, add(f.pk, G()), f.m, ctx, false},
        {"decryption check", p, f.pk, add(f.m, G()), ctx, false},
        {"tampered T1", bad_t1, f.pk, f.m, ctx, false},
        {"tampered T2", bad_t2, f.pk, f.m, ctx, false},
        {"tampered s", bad_s, f.pk, f.m, ctx, false},
        {"other account", p, f.pk, f.m, other_account, false},
        {"other chainid", p, f.pk, f.m, other_chain, false},
        {"other registry", p, f.pk, f.m, other_registry, !opening},  // only the opening absorbs it
    };
    for (const Case& cs : cases) EXPECT_EQ(c::dleq_verify(f.ct, cs.pk, cs.m, cs.proof, cs.ctx), cs.want) << cs.name;
  }
}

TEST(Dleq, WrongPlaintextStillProvesButFailsAndIdentityPointsAreAccepted) {
  const Vd f;
  const G1Affine wrong = add(f.m, G());
  const c::VdProof p = c::dleq_prove(f.ct, f.sk, wrong, f.receipt(), f.t);
  EXPECT_FALSE(c::dleq_verify(f.ct, f.pk, wrong, p, f.receipt()));
  // (identity, M) is a ciphertext of M with randomness 0: it opens to M under any key.
  const Ciphertext trivial{O(), f.m};
  const c::VdProof q = c::dleq_prove(trivial, f.sk, f.m, f.receipt(), f.t);
  EXPECT_TRUE(q.T2.infinity);
  EXPECT_TRUE(c::dleq_verify(trivial, f.pk, f.m, q, f.receipt()));
  // The zero key (pk the identity) and the identity plaintext.
  const Ciphertext zero_key = enc(O(), O(), rnd(rng));
  const c::VdProof z = c::dleq_prove(zero_key, Fr::zero(), O(), f.receipt(), f.t);
  EXPECT_TRUE(c::dleq_verify(zero_key, O(), O(), z, f.receipt()));
}

TEST(DleqWords, DecodingOrders) {
  const Vd f;
  const c::VdProof p = c::verifiable_decrypt_prove(f.ct, f.sk, f.m, f.account, f.chainid, f.t);
  const cw::VdProofW proof{pw(p.T1), pw(p.T2), p.e, p.s};
  const std::vector<G1Words> pts = {pw(f.ct.R), pw(f.ct.C), pw(f.pk), pw(f.m), pw(p.T1), pw(p.T2)};
  auto verify = [&](const std::vector<G1Words>& v) {
    return cw::verifiable_decrypt_verify(ctw(v[0], v[1]), v[2], v[3], {v[4], v[5], proof.e, proof.s}, f.account,
                                         f.chainid);
  };
  auto verify_op = [&](const std::vector<G1Words>& v) {
    return cw::identity_opening_verify(ctw(v[0], v[1]), v[2], v[3], {v[4], v[5], proof.e, proof.s}, f.account,
                                       f.chainid, f.registry);
  };
  EXPECT_TRUE(verify(pts).value());
  EXPECT_FALSE(verify_op(pts).value());
  expect_decode_order(pts, verify);
  expect_decode_order(pts, verify_op);

  const std::vector<G1Words> stmt = {pw(f.ct.R), pw(f.ct.C), pw(f.m)};
  auto prove = [&](const std::vector<G1Words>& v) {
    return cw::verifiable_decrypt_prove(ctw(v[0], v[1]), f.sk.to_w(), v[2], f.account, f.chainid, f.t.to_w());
  };
  auto prove_op = [&](const std::vector<G1Words>& v) {
    return cw::identity_opening_prove(ctw(v[0], v[1]), f.sk.to_w(), v[2], f.account, f.chainid, f.registry,
                                      f.t.to_w());
  };
  EXPECT_EQ(prove(stmt).value().e, p.e);
  expect_decode_order(stmt, prove);
  expect_decode_order(stmt, prove_op);
}

}  // namespace
