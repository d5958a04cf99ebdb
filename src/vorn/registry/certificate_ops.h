// Signing, verifying, sealing and unsealing identity certificates: each is the wire
// format of certificate.h plus one call of the crypto layer (the registry Schnorr
// signature, or ElGamal over G1).
//
// The ones that take wire bytes are split in two so a binding can keep the order of
// failures: parse the bytes first (parse_signed_certificate /
// parse_sealed_certificate), convert the remaining arguments to words, then call the
// operation below on the parsed record.
#pragma once

#include <cstdint>
#include <string_view>

#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/registry/certificate.h"

namespace vorn::registry {

inline constexpr const char* kSealedForAnotherClient =
    "decrypted M does not match certificate M -- envelope was not sealed for this client";

/// Issues a certificate: M = identity_point(canonical_identity), signs its message
/// hash with the registry Schnorr signature (secret registry_sk, nonce k, registry
/// identifier the UTF-8 bytes of registry_id, chain chainid), pk = registry_sk*G, and
/// returns the signed wire. registry_sk and k are reduced mod r (zero accepted) and
/// used in constant time. Fails only for texts the wire cannot carry
/// (kWireFieldTooLong, kWireInvalidUtf8).
Result<Bytes> registry_sign_certificate(const W& registry_sk, std::string_view registry_id,
                                        std::string_view canonical_identity, uint64_t serial, int64_t issued_at,
                                        int64_t expires_at, const W& chainid, const W& k);

/// Whether the signature of a parsed certificate verifies under the pk it carries,
/// its message hash, its registry_id and `chainid`. A header point (pk, then R) that
/// cannot be decoded fails with the point messages ("coordinate not a canonical Fq
/// element", "G1 point not on curve"); a well-formed signature that does not verify
/// is false. Variable time (public data).
Result<bool> registry_verify_certificate(const SignedCertificate& sc, const W& chainid);

/// Seals a parsed certificate for one client: E = ElGamal(M, client_pk, r) with r
/// reduced mod r (constant time in r), then the envelope with the certificate
/// re-serialized from the record (bytes after its last field are gone). client_pk
/// that cannot be decoded fails with the point messages.
Result<Bytes> seal_certificate(const SignedCertificate& sc, const G1Words& client_pk, const W& r);

/// Opens a parsed envelope: decrypts E with client_sk (reduced mod r, constant time);
/// kSealedForAnotherClient when the result is not the certificate's M; otherwise the
/// certificate's signed wire, re-serialized. A point of E that cannot be decoded
/// (R first, then C) fails with the point messages.
Result<Bytes> unseal_certificate(const SealedCertificate& sealed, const W& client_sk);

}  // namespace vorn::registry
