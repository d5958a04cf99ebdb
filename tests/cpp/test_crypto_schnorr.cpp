// The issuer and registry Schnorr signatures: challenges recomputed from raw bytes,
// every message field, the exact-word comparison of e, and the decoding order.
#include <gtest/gtest.h>

#include <string>

#include "crypto_support.h"
#include "vorn/crypto/schnorr.h"
#include "vorn/crypto/words.h"

using namespace cs;
namespace c = vorn::crypto;
namespace cw = vorn::crypto::words;

namespace {

std::mt19937_64 rng(0x5C);

constexpr const char* kIssuerTag = "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerSchnorr/v2";

std::span<const uint8_t> bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

struct Fields {
  W h, issuer, chainid;
};

TEST(IssuerSchnorr, SignsWithTheTranscriptChallenge) {
  const Fr sk = rnd(rng), k = rnd(rng);
  const Fields f{rnd(rng).to_w(), u(0xabcdef), u(31337)};
  W h_big;  // a batch word above r enters unreduced
  w_from_hex64("ff00000000000000000000000000000000000000000000000000000000000001", h_big);
  for (const W& h : {f.h, h_big}) {
    const c::SchnorrSig s = c::issuer_schnorr_sign(sk, h, f.issuer, f.chainid, k);
    EXPECT_EQ(s.R, gmul(k));
    EXPECT_EQ(s.e, fs({pw(gmul(sk)), pw(s.R)}, {h, f.issuer, f.chainid}, kIssuerTag));
    EXPECT_EQ(s.s, (k + fr_from_w_reduce(s.e) * sk).to_w());
    EXPECT_TRUE(c::issuer_schnorr_verify(gmul(sk), s, h, f.issuer, f.chainid));
  }
}

TEST(RegistrySchnorr, SignsWithTheSevenWordChallenge) {
  const Fr sk = rnd(rng), k = rnd(rng);
  W msg;
  w_from_hex64("f1f2f3f4f5f6f7f8f9fafbfcfdfeff00112233445566778899aabbccddeeff01", msg);  // above r
  const std::string id = "registry.example/a-very-long-identifier-longer-than-one-word";
  const c::SchnorrSig s = c::registry_schnorr_sign(sk, msg, bytes(id), u(1), k);
  const G1Words pk = pw(gmul(sk)), r = pw(s.R);
  const W words[7] = {pk[0], pk[1], r[0], r[1], reduce_mod_order(msg),
                      scalar_from_be_bytes_mod_order(bytes(id).data(), id.size()), u(1)};
  EXPECT_EQ(s.e, reduce_mod_order(hash::keccak_raw(words[0].data(), sizeof(words))));
  EXPECT_EQ(s.s, (k + fr_from_w_reduce(s.e) * sk).to_w());
  EXPECT_TRUE(c::registry_schnorr_verify(gmul(sk), s, msg, bytes(id), u(1)));
}

TEST(IssuerSchnorr, EveryFieldAndEveryPartOfTheSignatureMatters) {
  const Fr sk = rnd(rng);
  const G1Affine pk = gmul(sk);
  const Fields f{rnd(rng).to_w(), u(77), u(1)};
  const c::SchnorrSig s = c::issuer_schnorr_sign(sk, f.h, f.issuer, f.chainid, rnd(rng));
  auto ver = [&](const G1Affine& key, const c::SchnorrSig& sig, const Fields& g) {
    return c::issuer_schnorr_verify(key, sig, g.h, g.issuer, g.chainid);
  };
  c::SchnorrSig s_plus_r = s, e_plus_r = s, bad_s = s, bad_e = s, bad_r = s;
  s_plus_r.s = plus_r(s.s);
  e_plus_r.e = plus_r(s.e);
  bad_s.s = (fr_from_w_reduce(s.s) + Fr::one()).to_w();
  bad_e.e = (fr_from_w_reduce(s.e) + Fr::one()).to_w();
  bad_r.R = add(s.R, G());
  struct Case {
    const char* name;
    G1Affine key;
    c::SchnorrSig sig;
    Fields f;
    bool want;
  } cases[] = {
      {"valid", pk, s, f, true},
      {"s + r still valid", pk, s_plus_r, f, true},
      {"e + r never valid", pk, e_plus_r, f, false},
      {"other h_batch", pk, s, {u(5), f.issuer, f.chainid}, false},
      {"other issuer", pk, s, {f.h, u(78), f.chainid}, false},
      {"other chainid", pk, s, {f.h, f.issuer, u(2)}, false},
      {"other key", add(pk, G()), s, f, false},
      {"tampered s", pk, bad_s, f, false},
      {"tampered e", pk, bad_e, f, false},
      {"tampered R", pk, bad_r, f, false},
  };
  for (const Case& cs : cases) EXPECT_EQ(ver(cs.key, cs.sig, cs.f), cs.want) << cs.name;
}

TEST(RegistrySchnorr, FieldsAndIdentifierBytesModuloR) {
  const Fr sk = rnd(rng);
  const G1Affine pk = gmul(sk);
  const W msg = rnd(rng).to_w();
  const c::SchnorrSig s = c::registry_schnorr_sign(sk, msg, bytes("reg-A"), u(5), rnd(rng));
  c::SchnorrSig s_plus_r = s, e_plus_r = s;
  s_plus_r.s = plus_r(s.s);
  e_plus_r.e = plus_r(s.e);
  struct Case {
    const char* name;
    c::SchnorrSig sig;
    W msg;
    std::string id;
    W chainid;
    bool want;
  } cases[] = {
      {"valid", s, msg, "reg-A", u(5), true},
      {"s + r", s_plus_r, msg, "reg-A", u(5), true},
      {"e + r", e_plus_r, msg, "reg-A", u(5), false},
      {"msg + r reduces to the same challenge", s, plus_r(msg), "reg-A", u(5), true},
      {"other msg", s, u(9), "reg-A", u(5), false},
      {"other id", s, msg, "reg-B", u(5), false},
      {"other chainid", s, msg, "reg-A", u(6), false},
  };
  for (const Case& cs : cases)
    EXPECT_EQ(c::registry_schnorr_verify(pk, cs.sig, cs.msg, bytes(cs.id), cs.chainid), cs.want) << cs.name;

  // The identifier enters as one integer mod r: "" and "\0\0" are both the word 0.
  const c::SchnorrSig e0 = c::registry_schnorr_sign(sk, msg, bytes(""), u(5), rnd(rng));
  EXPECT_TRUE(c::registry_schnorr_verify(pk, e0, msg, bytes(std::string("\0\0", 2)), u(5)));
  EXPECT_FALSE(c::registry_schnorr_verify(pk, e0, msg, bytes(std::string("\1", 1)), u(5)));
}

TEST(Schnorr, TheTwoSchemesNeverVerifyEachOther) {
  const Fr sk = rnd(rng), k = rnd(rng);
  const G1Affine pk = gmul(sk);
  const W h = rnd(rng).to_w(), chain = u(1);
  const c::SchnorrSig iss = c::issuer_schnorr_sign(sk, h, u(0), chain, k);
  const c::SchnorrSig reg = c::registry_schnorr_sign(sk, h, bytes(""), chain, k);
  EXPECT_EQ(iss.R, reg.R);
  EXPECT_NE(iss.e, reg.e);
  EXPECT_FALSE(c::registry_schnorr_verify(pk, iss, h, bytes(""), chain));
  EXPECT_FALSE(c::issuer_schnorr_verify(pk, reg, h, u(0), chain));
}

TEST(Schnorr, ZeroKeyAndZeroNonceAreNotRejected) {
  const W h = u(3);
  for (const auto& [sk, k] : {std::pair{Fr::zero(), rnd(rng)}, std::pair{rnd(rng), Fr::zero()}}) {
    const c::SchnorrSig s = c::issuer_schnorr_sign(sk, h, u(1), u(1), k);
    EXPECT_TRUE(c::issuer_schnorr_verify(gmul(sk), s, h, u(1), u(1)));
    const c::SchnorrSig r = c::registry_schnorr_sign(sk, h, bytes("x"), u(1), k);
    EXPECT_TRUE(c::registry_schnorr_verify(gmul(sk), r, h, bytes("x"), u(1)));
  }
}

TEST(SchnorrWords, ReduceKeysAndDecodePkBeforeR) {
  const Fr sk = rnd(rng), k = rnd(rng);
  const W h = u(11);
  const cw::SchnorrSigW a = cw::issuer_schnorr_sign(sk.to_w(), h, u(2), u(3), k.to_w());
  const cw::SchnorrSigW b = cw::issuer_schnorr_sign(plus_r(sk.to_w()), h, u(2), u(3), plus_r(k.to_w()));
  EXPECT_EQ(a.R, b.R);
  EXPECT_EQ(a.e, b.e);
  EXPECT_EQ(a.s, b.s);
  const G1Words pk = pw(gmul(sk));
  EXPECT_TRUE(cw::issuer_schnorr_verify(pk, a, h, u(2), u(3)).value());

  cw::SchnorrSigW bad = a;
  bad.R = off_curve();
  EXPECT_EQ(err(cw::issuer_schnorr_verify(non_canonical(), bad, h, u(2), u(3))), kNonCanonical);
  EXPECT_EQ(err(cw::issuer_schnorr_verify(pk, bad, h, u(2), u(3))), kOffCurve);
  EXPECT_EQ(err(cw::registry_schnorr_verify(non_canonical(), bad, h, {}, u(3))), kNonCanonical);
  EXPECT_EQ(err(cw::registry_schnorr_verify(pk, bad, h, {}, u(3))), kOffCurve);
}

}  // namespace
