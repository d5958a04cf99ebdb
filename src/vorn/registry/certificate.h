// Identity certificates of the registry: the records, their wire format, the bytes
// the registry signs, and the sealed envelope that carries a certificate to one client.
//
// Signed certificate wire (big-endian; W = 32 bytes):
//   e | s | R.x | R.y | pk.x | pk.y                       192-byte signature header
//   L1 (u32) | registry_id (L1 bytes, UTF-8) | serial (u64)
//   L2 (u32) | canonical_identity (L2 bytes, UTF-8)
//   M.x | M.y | issued_at (i64) | expires_at (i64)        288 + L1 + L2 bytes in all
// Sealed envelope: E.R.x | E.R.y | E.C.x | E.C.y | N (u32) | N signed-wire bytes.
// Bytes after the last field (of a wire, or of an envelope) are ignored.
//
// Points are carried as words and are not decoded while reading. The one curve
// operation here is the identity invariant: M = identity_scalar(canonical_identity)*G.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vorn/bn254/encoding.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/registry/wire.h"

namespace vorn::registry {

/// A G1 point as its two coordinate words (x, y); (0, 0) is infinity. Not validated.
using bn254::G1Words;

inline constexpr const char* kIdentityMismatch = "M does not match canonical_identity";

/// What the registry attests: `M` is the identity point of `canonical_identity`.
struct IdentityCertificate {
  std::string registry_id;  // UTF-8
  uint64_t serial = 0;
  std::string canonical_identity;  // UTF-8
  G1Words M;
  int64_t issued_at = 0;
  int64_t expires_at = 0;
  bool operator==(const IdentityCertificate&) const = default;
};

/// A registry Schnorr signature: commitment R, challenge e, response s.
struct RegistrySignature {
  G1Words R;
  W e, s;
  bool operator==(const RegistrySignature&) const = default;
};

/// A certificate with its signature and the signing registry's public key.
struct SignedCertificate {
  IdentityCertificate cert;
  RegistrySignature sig;
  G1Words pk;
  bool operator==(const SignedCertificate&) const = default;
};

/// A signed certificate with an ElGamal ciphertext E = (R, C) of its `M` under one
/// client's public key.
struct SealedCertificate {
  G1Words E_R, E_C;
  SignedCertificate signed_cert;
  bool operator==(const SealedCertificate&) const = default;
};

/// The identity point of a canonical identity text: identity_scalar(text)*G, as
/// words. Constant time in the scalar (the text may be personal data).
G1Words identity_point(std::string_view canonical_identity);

/// Ok when cert.M is the identity point of cert.canonical_identity, otherwise
/// kIdentityMismatch.
Status check_identity_invariant(const IdentityCertificate& cert);

inline constexpr size_t kSignatureHeaderSize = 192;
inline constexpr size_t kEnvelopeHeaderSize = 132;

/// The bytes the registry signs: L1 (u32) | registry_id | serial (u64) |
/// Keccak-256(canonical_identity) | M.x | M.y | issued_at | expires_at (124 + L1 bytes).
/// kWireFieldTooLong when registry_id has 2^32 bytes or more.
Result<Bytes> certificate_hash_bytes(const IdentityCertificate& cert);

/// Keccak-256 of certificate_hash_bytes: the 32-byte message of the signature.
/// Fails as certificate_hash_bytes.
Result<W> certificate_msg_hash(const IdentityCertificate& cert);

/// The signed-certificate wire bytes (288 + L1 + L2). Refuses what the reader would
/// refuse: for each text in wire order, kWireFieldTooLong when it has 2^32 bytes or
/// more, then kWireInvalidUtf8 when it is not well-formed UTF-8.
Result<Bytes> write_signed_certificate(const SignedCertificate& sc);

/// Reads a signed-certificate wire from untrusted bytes. Fails with kWireTruncated
/// when a field (or the bytes a stated length announces) is missing, and with
/// kWireInvalidUtf8 when a text is not well-formed UTF-8; the first failing field in
/// wire order decides. Never reads outside `wire`; trailing bytes are ignored. Does
/// not decode points and does not check that M belongs to canonical_identity.
Result<SignedCertificate> read_signed_certificate(std::span<const uint8_t> wire);

/// read_signed_certificate, then the identity invariant (kIdentityMismatch): the
/// parser of every operation that accepts a signed wire.
Result<SignedCertificate> parse_signed_certificate(std::span<const uint8_t> wire);

/// The sealed envelope bytes: E as four words, N, then the signed wire (132 + N).
/// Fails as write_signed_certificate, or with kWireFieldTooLong when the whole signed
/// wire has 2^32 bytes or more.
Result<Bytes> write_sealed_certificate(const SealedCertificate& sealed);

/// Reads a sealed envelope from untrusted bytes: kWireTruncated when it is shorter
/// than 132 bytes or than 132 + N, then the N inner bytes are read exactly as
/// read_signed_certificate reads a wire (its messages apply). Trailing bytes after
/// the N wire bytes are ignored. Same guarantees as read_signed_certificate.
Result<SealedCertificate> read_sealed_certificate(std::span<const uint8_t> envelope);

/// read_sealed_certificate, then the identity invariant of the inner certificate.
Result<SealedCertificate> parse_sealed_certificate(std::span<const uint8_t> envelope);

}  // namespace vorn::registry
