// Certificate wire format, hash bytes and sealed envelope, checked against byte
// strings written out by hand from the layout tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "vorn/bn254/ops.h"
#include "vorn/hash/keccak.h"
#include "vorn/registry/certificate.h"

using namespace vorn;
using namespace vorn::registry;

namespace {

Bytes from_hex(std::string_view hex) {
  Bytes out;
  auto nib = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i < hex.size();) {
    if (hex[i] == ' ') { ++i; continue; }
    out.push_back(static_cast<uint8_t>(nib(hex[i]) << 4 | nib(hex[i + 1])));
    i += 2;
  }
  return out;
}

W fill(uint8_t b) {
  W w;
  w.b.fill(b);
  return w;
}

std::string rep(const char* byte_hex) {
  std::string s;
  for (int i = 0; i < 32; ++i) s += byte_hex;
  return s;
}

// Every word distinct, so a field written at the wrong offset shows.
SignedCertificate sample(std::string registry_id, std::string canonical) {
  SignedCertificate sc;
  sc.sig.e = fill(0x0e);
  sc.sig.s = fill(0x05);
  sc.sig.R = {fill(0xa1), fill(0xa2)};
  sc.pk = {fill(0xb1), fill(0xb2)};
  sc.cert.registry_id = std::move(registry_id);
  sc.cert.serial = UINT64_MAX;
  sc.cert.canonical_identity = std::move(canonical);
  sc.cert.M = {fill(0xc1), fill(0xc2)};
  sc.cert.issued_at = -1;
  sc.cert.expires_at = INT64_MIN;
  return sc;
}

// "reg-α" (6 bytes) and "Zoë/日本" (11 bytes).
const char* const kRegId = "reg-\xce\xb1";
const char* const kCanon = "Zo\xc3\xab/\xe6\x97\xa5\xe6\x9c\xac";

std::string sample_wire_hex() {
  return rep("0e") + rep("05") + rep("a1") + rep("a2") + rep("b1") + rep("b2") +
         "00000006" "7265672dceb1" "ffffffffffffffff" "0000000b" "5a6fc3ab2fe697a5e69cac" +
         rep("c1") + rep("c2") + "ffffffffffffffff" "8000000000000000";
}

void expect_error(const Result<SignedCertificate>& r, const char* msg, const std::string& what) {
  ASSERT_FALSE(r.ok()) << what;
  EXPECT_EQ(r.error().msg, msg) << what;
}

void put_u32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace

TEST(CertificateWire, LayoutMatchesTheTableByteForByte) {
  const SignedCertificate sc = sample(kRegId, kCanon);
  const Bytes expect = from_hex(sample_wire_hex());
  ASSERT_EQ(expect.size(), 288u + 6 + 11);
  auto wire = write_signed_certificate(sc);
  ASSERT_TRUE(wire.ok());
  EXPECT_EQ(*wire, expect);
  auto back = read_signed_certificate(expect);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, sc);
}

TEST(CertificateWire, RoundTripsTheEdgesOfEveryField) {
  struct Case { std::string reg, canon; uint64_t serial; int64_t issued, expires; } cases[] = {
      {"", "", 0, 0, 0},
      {"", "", UINT64_MAX, INT64_MIN, INT64_MAX},
      {kRegId, kCanon, 1, -1, -86400},
      {"\xf0\x9f\x94\x91", std::string(1000, 'x'), 0x8000000000000000ull, -1700000000, 1700000000},
      {std::string(1, '\0'), std::string("a\0b", 3), 42, 1, -1},  // NUL is valid UTF-8 and survives
  };
  for (const auto& c : cases) {
    SignedCertificate sc = sample(c.reg, c.canon);
    sc.cert.serial = c.serial;
    sc.cert.issued_at = c.issued;
    sc.cert.expires_at = c.expires;
    auto wire = write_signed_certificate(sc);
    ASSERT_TRUE(wire.ok());
    EXPECT_EQ(wire->size(), 288 + c.reg.size() + c.canon.size());
    auto back = read_signed_certificate(*wire);
    ASSERT_TRUE(back.ok()) << back.error().msg;
    EXPECT_EQ(*back, sc);
  }
}

TEST(CertificateWire, EmptyTextsGiveThe288ByteMinimum) {
  SignedCertificate sc = sample("", "");
  auto wire = write_signed_certificate(sc);
  ASSERT_TRUE(wire.ok());
  ASSERT_EQ(wire->size(), 288u);
  // Both length fields are zero, at offsets 192 and 204.
  EXPECT_EQ(Bytes(wire->begin() + 192, wire->begin() + 196), Bytes(4, 0));
  EXPECT_EQ(Bytes(wire->begin() + 204, wire->begin() + 208), Bytes(4, 0));
}

// Every proper prefix of a wire is refused as truncated: this crosses every field
// boundary (191 | 192, inside and at the end of each length, text, word and time).
TEST(CertificateWire, EveryTruncationIsRefused) {
  const Bytes wire = from_hex(sample_wire_hex());
  for (size_t n = 0; n < wire.size(); ++n)
    expect_error(read_signed_certificate(std::span(wire).first(n)), kWireTruncated, "prefix " + std::to_string(n));
  EXPECT_TRUE(read_signed_certificate(wire).ok());
}

TEST(CertificateWire, StatedLengthsRunningPastTheEndAreRefused) {
  const Bytes wire = from_hex(sample_wire_hex());
  const size_t l1_at = 192, l2_at = 196 + 6 + 8;
  struct Case { size_t at; uint32_t len; } cases[] = {
      {l1_at, uint32_t(wire.size() - 196 + 1)},  // one past the end
      {l1_at, 0xFFFFFFFFu},                     // near 2^32: pos + len would wrap 32-bit arithmetic
      {l1_at, 0xFFFFFFFFu - 195},               // 196 + len == 2^32 exactly
      {l1_at, 0x80000000u},
      {l2_at, uint32_t(wire.size() - (l2_at + 4) + 1)},
      {l2_at, 0xFFFFFFFFu},
      {l2_at, 0xFFFFFFFFu - uint32_t(l2_at + 3)},
  };
  for (const auto& c : cases) {
    Bytes w = wire;
    put_u32(w, c.at, c.len);
    expect_error(read_signed_certificate(w), kWireTruncated, "len " + std::to_string(c.len));
  }
}

TEST(CertificateWire, InvalidUtf8IsRefusedInEitherText) {
  const Bytes wire = from_hex(sample_wire_hex());
  const size_t reg_at = 196, canon_at = 196 + 6 + 8 + 4;
  struct Case { size_t at; uint8_t byte; const char* msg; const char* what; } cases[] = {
      {reg_at, 0xff, kWireInvalidUtf8, "0xff in registry_id"},
      {reg_at + 5, 0x41, kWireInvalidUtf8, "registry_id ends inside a character"},
      {canon_at + 2, 0xc0, kWireInvalidUtf8, "overlong lead in canonical_identity"},
  };
  for (const auto& c : cases) {
    Bytes w = wire;
    w[c.at] = c.byte;
    expect_error(read_signed_certificate(w), c.msg, c.what);
  }
  {
    Bytes w = wire;
    w[canon_at + 5] = 0xed;  // E6 97 A5 -> ED 97 A5 (U+D7E5): still valid
    EXPECT_TRUE(read_signed_certificate(w).ok());
    w[canon_at + 6] = 0xa0;  // ED A0 A5: a surrogate
    expect_error(read_signed_certificate(w), kWireInvalidUtf8, "surrogate in canonical_identity");
  }
  {
    // Invalid registry_id and a canonical_identity that runs past the end: the
    // earlier field decides.
    Bytes w = wire;
    w[reg_at] = 0xff;
    put_u32(w, canon_at - 4, 0xFFFFFFFFu);
    expect_error(read_signed_certificate(w), kWireInvalidUtf8, "first failing field wins");
  }
}

TEST(CertificateWire, TrailingBytesAreIgnored) {
  const Bytes wire = from_hex(sample_wire_hex());
  Bytes longer = wire;
  longer.insert(longer.end(), {0xff, 0x00, 0xde, 0xad});
  auto a = read_signed_certificate(wire), b = read_signed_certificate(longer);
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(*a, *b);
  EXPECT_EQ(*write_signed_certificate(*b), wire);
}

// 4-byte length of registry_id | registry_id | serial | Keccak-256(canonical) | M |
// issued_at | expires_at. The digests are the published Keccak-256 of "abc" and of "".
TEST(CertificateHash, BytesFollowTheLayout) {
  SignedCertificate sc = sample(kRegId, "abc");
  sc.cert.serial = 0x0102030405060708ull;
  sc.cert.issued_at = -2;
  sc.cert.expires_at = INT64_MAX;
  const Bytes expect = from_hex(std::string("00000006" "7265672dceb1" "0102030405060708"
                                            "4e03657aea45a94fc7d47ba826c8d667c0d1e6e33a64a036ec44f58fa12d6c45") +
                                rep("c1") + rep("c2") + "fffffffffffffffe" "7fffffffffffffff");
  auto hb = certificate_hash_bytes(sc.cert);
  ASSERT_TRUE(hb.ok());
  EXPECT_EQ(*hb, expect);
  EXPECT_EQ(hb->size(), 124u + 6);

  sc.cert.registry_id = "";
  sc.cert.canonical_identity = "";
  const Bytes expect_empty = from_hex(std::string("00000000" "0102030405060708"
                                                  "c5d2460186f7233c927e7db2dcc703c0e500b653ca82273b7bfad8045d85a470") +
                                      rep("c1") + rep("c2") + "fffffffffffffffe" "7fffffffffffffff");
  EXPECT_EQ(*certificate_hash_bytes(sc.cert), expect_empty);
}

// The signature covers every certificate field except the signature header: changing
// any field changes the message, changing e, s, R or pk does not.
TEST(CertificateHash, MessageCoversEveryCertificateField) {
  const SignedCertificate base = sample(kRegId, kCanon);
  const W h0 = *certificate_msg_hash(base.cert);
  auto changed = [&](auto edit) {
    SignedCertificate sc = base;
    edit(sc);
    return *certificate_msg_hash(sc.cert) != h0;
  };
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.registry_id += "x"; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.serial ^= 1; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.canonical_identity += "x"; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.M[0].b[31] ^= 1; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.M[1].b[0] ^= 1; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.issued_at ^= 1; }));
  EXPECT_TRUE(changed([](SignedCertificate& s) { s.cert.expires_at ^= 1; }));
  EXPECT_FALSE(changed([](SignedCertificate& s) { s.sig.e.b[0] ^= 1; s.pk[0].b[0] ^= 1; }));
}

namespace {

SealedCertificate sample_sealed() {
  SealedCertificate s;
  s.E_R = {fill(0xd1), fill(0xd2)};
  s.E_C = {fill(0xe1), fill(0xe2)};
  s.signed_cert = sample(kRegId, kCanon);
  return s;
}

std::string sample_envelope_hex() {
  return rep("d1") + rep("d2") + rep("e1") + rep("e2") + "00000131" + sample_wire_hex();  // N = 305
}

void expect_sealed_error(const Result<SealedCertificate>& r, const char* msg, const std::string& what) {
  ASSERT_FALSE(r.ok()) << what;
  EXPECT_EQ(r.error().msg, msg) << what;
}

}  // namespace

TEST(SealedEnvelope, LayoutMatchesTheTableByteForByte) {
  const SealedCertificate s = sample_sealed();
  const Bytes expect = from_hex(sample_envelope_hex());
  ASSERT_EQ(expect.size(), 132u + 305);
  auto env = write_sealed_certificate(s);
  ASSERT_TRUE(env.ok());
  EXPECT_EQ(*env, expect);
  auto back = read_sealed_certificate(expect);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, s);
}

TEST(SealedEnvelope, TruncationsAndStatedLengths) {
  const Bytes env = from_hex(sample_envelope_hex());
  for (size_t n = 0; n < env.size(); ++n)
    expect_sealed_error(read_sealed_certificate(std::span(env).first(n)), kWireTruncated,
                        "prefix " + std::to_string(n));
  for (uint32_t n : {0xFFFFFFFFu, 0xFFFFFFFFu - 131, 306u}) {
    Bytes e = env;
    put_u32(e, 128, n);
    expect_sealed_error(read_sealed_certificate(e), kWireTruncated, "N " + std::to_string(n));
  }
}

// The inner wire is read within its N bytes only, even when the bytes it lacks
// follow in the envelope.
TEST(SealedEnvelope, InnerWireIsBoundedByN) {
  Bytes env = from_hex(sample_envelope_hex());
  put_u32(env, 128, 304);
  expect_sealed_error(read_sealed_certificate(env), kWireTruncated, "N one short");
  put_u32(env, 128, 0);
  expect_sealed_error(read_sealed_certificate(env), kWireTruncated, "N zero");
}

TEST(SealedEnvelope, TrailingBytesAreIgnoredInsideAndOutside) {
  const SealedCertificate s = sample_sealed();
  Bytes outside = from_hex(sample_envelope_hex());
  outside.push_back(0x77);
  Bytes inside = from_hex(sample_envelope_hex());
  inside.push_back(0x77);
  put_u32(inside, 128, 306);  // the extra byte now belongs to the wire, after expires_at
  for (const Bytes* e : {&outside, &inside}) {
    auto r = read_sealed_certificate(*e);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(*r, s);
  }
}

TEST(SealedEnvelope, InnerParseMessagesPassThrough) {
  Bytes env = from_hex(sample_envelope_hex());
  env[132 + 196] = 0xff;  // first byte of registry_id
  expect_sealed_error(read_sealed_certificate(env), kWireInvalidUtf8, "invalid UTF-8 inside");
}

// The identity invariant M = identity_scalar(canonical_identity)*G, checked after the
// wire is read; the fixed-base constant-time product must agree with the generic
// variable-time one.
TEST(CertificateIdentity, IdentityPointIsTheScalarTimesTheGenerator) {
  const G1Words gen = {W::from_u64(1), W::from_u64(2)};
  for (const char* text : {"", "alice", kCanon}) {
    auto expect = bn254::g1_mul(gen, hash::identity_scalar(text));
    ASSERT_TRUE(expect.ok());
    EXPECT_EQ(identity_point(text), *expect) << text;
  }
}

TEST(CertificateIdentity, ParsingChecksTheInvariantAfterTheWire) {
  SignedCertificate sc = sample(kRegId, kCanon);
  sc.cert.M = identity_point(kCanon);
  const Bytes good = *write_signed_certificate(sc);
  auto parsed = parse_signed_certificate(good);
  ASSERT_TRUE(parsed.ok());
  EXPECT_EQ(*parsed, sc);

  const size_t m_at = 208 + 6 + 11;
  const G1Words m = sc.cert.M;
  const G1Words neg_m = *bn254::g1_neg(m);
  struct Case { const char* what; G1Words M; } cases[] = {
      {"generator", {W::from_u64(1), W::from_u64(2)}},
      {"infinity", {W{}, W{}}},
      {"negated M", neg_m},
      {"not a point", {m[0], m[0]}},
  };
  for (const auto& c : cases) {
    Bytes w = good;
    std::copy(c.M[0].b.begin(), c.M[0].b.end(), w.begin() + m_at);
    std::copy(c.M[1].b.begin(), c.M[1].b.end(), w.begin() + m_at + 32);
    ASSERT_TRUE(read_signed_certificate(w).ok()) << c.what;
    expect_error(parse_signed_certificate(w), kIdentityMismatch, c.what);
  }
  {
    Bytes w = good;
    w[208 + 6] = 'z';  // first byte of canonical_identity, still valid UTF-8
    expect_error(parse_signed_certificate(w), kIdentityMismatch, "changed canonical_identity");
  }
  {
    // A wire that is both truncated and mismatched is refused as truncated.
    Bytes w = good;
    w[m_at] ^= 1;
    w.pop_back();
    expect_error(parse_signed_certificate(w), kWireTruncated, "truncated and mismatched");
  }
  {
    SealedCertificate sealed{{fill(0xd1), fill(0xd2)}, {fill(0xe1), fill(0xe2)}, sc};
    EXPECT_TRUE(parse_sealed_certificate(*write_sealed_certificate(sealed)).ok());
    sealed.signed_cert.cert.M = neg_m;
    auto r = parse_sealed_certificate(*write_sealed_certificate(sealed));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().msg, kIdentityMismatch);
  }
}
