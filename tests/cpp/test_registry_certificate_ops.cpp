// Signing, verifying, sealing and unsealing certificates end to end. The glue is
// checked from outside: the signature equation and challenge are recomputed with the
// curve and hash layers from the certificate's own hash bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/ops.h"
#include "vorn/hash/keccak.h"
#include "vorn/registry/certificate_ops.h"

using namespace vorn;
using namespace vorn::registry;

namespace {

W hex(const char* h) {
  W w;
  EXPECT_TRUE(w_from_hex64(h, w));
  return w;
}

const G1Words kGen = {W::from_u64(1), W::from_u64(2)};
const W kQ = hex("30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47");
const W kSk = hex("1b6f8e3a2c4d5e6f708192a3b4c5d6e7f8091a2b3c4d5e6f708192a3b4c5d6e7");
const W kNonce = hex("0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f60718293a4b5c6d7e8f9");
const W kChain = W::from_u64(11155111);
const char* const kRegId = "registry.vorn/eu-1";
const char* const kCanon = "Zo\xc3\xab|1990-01-01|NL";

G1Words mul(const G1Words& p, const W& k) { return *bn254::g1_mul(p, k); }

Bytes sign(std::string_view reg = kRegId, std::string_view canon = kCanon, uint64_t serial = 7) {
  auto r = registry_sign_certificate(kSk, reg, canon, serial, -1700000000, 1800000000, kChain, kNonce);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : Bytes{};
}

bool verifies(const Bytes& wire, const W& chain = kChain) {
  auto sc = parse_signed_certificate(wire);
  EXPECT_TRUE(sc.ok()) << sc.error().msg;
  auto v = registry_verify_certificate(*sc, chain);
  EXPECT_TRUE(v.ok()) << v.error().msg;
  return v.ok() && *v;
}

template <class T>
void expect_error(const Result<T>& r, const char* msg, const std::string& what = "") {
  ASSERT_FALSE(r.ok()) << what;
  EXPECT_EQ(r.error().msg, msg) << what;
}

void put_word(Bytes& b, size_t at, const W& w) { std::copy(w.b.begin(), w.b.end(), b.begin() + at); }

}  // namespace

TEST(CertificateSign, SignedWireCarriesTheKeyTheIdentityAndAValidSignature) {
  for (auto [reg, canon] : {std::pair{kRegId, kCanon}, std::pair{"", ""}}) {
    const Bytes wire = sign(reg, canon);
    ASSERT_EQ(wire.size(), 288 + std::string_view(reg).size() + std::string_view(canon).size());
    auto sc = parse_signed_certificate(wire);
    ASSERT_TRUE(sc.ok());
    EXPECT_EQ(sc->pk, mul(kGen, kSk));
    EXPECT_EQ(sc->sig.R, mul(kGen, kNonce));
    EXPECT_EQ(sc->cert.M, mul(kGen, hash::identity_scalar(canon)));
    EXPECT_EQ(sc->cert.serial, 7u);
    EXPECT_EQ(sc->cert.issued_at, -1700000000);

    // The challenge is keccak_scalar(PK, R, msg_hash mod r, registry_id mod r, chainid)
    // over the certificate's hash bytes, and s*G == R + e*PK.
    const W msg = hash::keccak_raw(*certificate_hash_bytes(sc->cert));
    const W words[7] = {sc->pk[0], sc->pk[1], sc->sig.R[0], sc->sig.R[1], bn254::reduce_mod_order(msg),
                        bn254::scalar_from_be_bytes_mod_order(reinterpret_cast<const uint8_t*>(reg),
                                                              std::string_view(reg).size()),
                        kChain};
    EXPECT_EQ(sc->sig.e, hash::keccak_scalar(words));
    EXPECT_EQ(mul(kGen, sc->sig.s), *bn254::g1_add(sc->sig.R, mul(sc->pk, sc->sig.e)));
    EXPECT_TRUE(verifies(wire));
  }
}

TEST(CertificateSign, SigningIsDeterministicAndRefusesUnwritableTexts) {
  EXPECT_EQ(sign(), sign());
  expect_error(registry_sign_certificate(kSk, "\xff", kCanon, 1, 0, 0, kChain, kNonce), kWireInvalidUtf8);
  expect_error(registry_sign_certificate(kSk, kRegId, "\xed\xa0\x80", 1, 0, 0, kChain, kNonce), kWireInvalidUtf8);
}

// Changing a signed field (keeping the wire well formed) leaves a certificate that
// parses but does not verify; changing the identity text breaks the invariant.
TEST(CertificateVerify, TamperingIsDetected) {
  const Bytes wire = sign();
  const size_t l1 = std::string_view(kRegId).size(), l2 = std::string_view(kCanon).size();
  const size_t serial_at = 196 + l1, times_at = 272 + l1 + l2;
  struct Case { const char* what; size_t at; uint8_t xor_mask; } cases[] = {
      {"serial", serial_at + 7, 0x01},
      {"issued_at", times_at + 7, 0x01},
      {"expires_at", times_at + 8, 0x80},  // sign bit
      {"registry_id", 196 + 3, 0x01},      // 'i' -> 'h': same length, still UTF-8
      {"s", 32 + 31, 0x01},
      {"e", 0 + 31, 0x01},
  };
  EXPECT_TRUE(verifies(wire));
  for (const auto& c : cases) {
    Bytes w = wire;
    w[c.at] ^= c.xor_mask;
    EXPECT_FALSE(verifies(w)) << c.what;
  }
  EXPECT_FALSE(verifies(wire, W::from_u64(1))) << "another chain id";

  Bytes w = wire;
  w[208 + l1] ^= 0x01;  // 'Z' -> '[' in canonical_identity
  expect_error(parse_signed_certificate(w), kIdentityMismatch);

  Bytes longer = wire;
  longer.insert(longer.end(), 9, 0xab);
  EXPECT_TRUE(verifies(longer)) << "trailing bytes are ignored";
}

// Header points are decoded when verifying: pk first, then R.
TEST(CertificateVerify, MalformedHeaderPointsRaise) {
  const Bytes wire = sign();
  struct Case { const char* what; size_t pk_y_or_x_at; W value; size_t r_at; W r_value; const char* msg; } cases[] = {
      {"pk off the curve", 160, W::from_u64(3), 0, {}, bn254::kMsgG1NotOnCurve},
      {"pk.x = q", 128, kQ, 0, {}, bn254::kMsgNotCanonicalFq},
      {"R off the curve", 0, {}, 96, W::from_u64(3), bn254::kMsgG1NotOnCurve},
      {"R.y = q", 0, {}, 96, kQ, bn254::kMsgNotCanonicalFq},
      {"pk off the curve before R non-canonical", 160, W::from_u64(3), 64, kQ, bn254::kMsgG1NotOnCurve},
  };
  for (const auto& c : cases) {
    Bytes w = wire;
    if (c.pk_y_or_x_at) put_word(w, c.pk_y_or_x_at, c.value);
    if (c.r_at) put_word(w, c.r_at, c.r_value);
    auto sc = parse_signed_certificate(w);
    ASSERT_TRUE(sc.ok()) << c.what;  // points are not decoded while parsing
    expect_error(registry_verify_certificate(*sc, kChain), c.msg, c.what);
  }
}

TEST(CertificateSeal, SealedForOneClientOpensForThatClientOnly) {
  const Bytes wire = sign();
  const W client_sk = W::from_u64(0xc0ffee);
  const W other_sk = W::from_u64(0xc0ffef);
  const W r = hex("2e3f405162738495a6b7c8d9eafb0c1d2e3f405162738495a6b7c8d9eafb0c1d");
  Bytes with_junk = wire;
  with_junk.insert(with_junk.end(), {1, 2, 3});

  for (const Bytes* input : std::initializer_list<const Bytes*>{&wire, &with_junk}) {
    auto sc = parse_signed_certificate(*input);
    ASSERT_TRUE(sc.ok());
    auto env = seal_certificate(*sc, mul(kGen, client_sk), r);
    ASSERT_TRUE(env.ok());
    ASSERT_EQ(env->size(), 132 + wire.size());
    auto sealed = parse_sealed_certificate(*env);
    ASSERT_TRUE(sealed.ok());
    EXPECT_EQ(sealed->E_R, mul(kGen, r));
    auto opened = unseal_certificate(*sealed, client_sk);
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(*opened, wire) << "the unsealed wire omits bytes after expires_at";
    expect_error(unseal_certificate(*sealed, other_sk), kSealedForAnotherClient);
  }
}

TEST(CertificateSeal, MalformedPointsRaise) {
  auto sc = parse_signed_certificate(sign());
  ASSERT_TRUE(sc.ok());
  expect_error(seal_certificate(*sc, {W::from_u64(1), W::from_u64(3)}, W::from_u64(5)), bn254::kMsgG1NotOnCurve);
  expect_error(seal_certificate(*sc, {kQ, W::from_u64(2)}, W::from_u64(5)), bn254::kMsgNotCanonicalFq);

  auto env = seal_certificate(*sc, mul(kGen, W::from_u64(9)), W::from_u64(5));
  ASSERT_TRUE(env.ok());
  struct Case { const char* what; size_t at; W value; const char* msg; } cases[] = {
      {"E.R off the curve", 32, W::from_u64(7), bn254::kMsgG1NotOnCurve},
      {"E.C.x = q", 64, kQ, bn254::kMsgNotCanonicalFq},
  };
  for (const auto& c : cases) {
    Bytes e = *env;
    put_word(e, c.at, c.value);
    auto sealed = parse_sealed_certificate(e);
    ASSERT_TRUE(sealed.ok()) << c.what;
    expect_error(unseal_certificate(*sealed, W::from_u64(9)), c.msg, c.what);
  }
}
