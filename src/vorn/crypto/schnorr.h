// Schnorr signatures over G1 with Keccak challenges, in two schemes that share the
// equations s = k + e*sk and s*G = R + e*PK but differ in their challenge:
//  - issuer: the Fiat-Shamir transcript PK, R, h_batch, issuer, chainid closed by the
//    tag "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerSchnorr/v2";
//  - registry: keccak_scalar of PK.x, PK.y, R.x, R.y, msg mod r, the registry
//    identifier's bytes as one integer mod r, chainid (no tag).
//
// Internal forms, on decoded points and reduced scalars (word-level wrappers in
// vorn/crypto/words.h). Signing is constant time in sk and k; verification is
// variable time (public data).
#pragma once

#include <cstdint>
#include <span>

#include "vorn/crypto/group.h"

namespace vorn::crypto {

/// A Schnorr signature, kept in the record order R, e, s. e and s are words: a
/// signer writes canonical scalars; a verifier compares e exactly as supplied.
struct SchnorrSig {
  G1Affine R;
  W e, s;
};

/// Issuer signature on the batch word h_batch bound to the issuer address and chain
/// id. sk and k may be zero. Constant time in sk and k.
SchnorrSig issuer_schnorr_sign(const Fr& sk_iss, const W& h_batch, const W& issuer, const W& chainid,
                               const Fr& k);

/// Whether s*G == R + e*PK (e and s taken mod r) and the recomputed challenge's word
/// equals sig.e exactly (so an e of r or more never verifies).
bool issuer_schnorr_verify(const G1Affine& pk_iss, const SchnorrSig& sig, const W& h_batch, const W& issuer,
                           const W& chainid);

/// Registry signature on a 32-byte message hash (as a word) bound to the registry
/// identifier bytes and the chain id. Constant time in sk and k.
SchnorrSig registry_schnorr_sign(const Fr& sk, const W& msg_hash, std::span<const uint8_t> registry_id,
                                 const W& chainid, const Fr& k);

/// Registry verification; same rules as issuer_schnorr_verify with the registry
/// challenge.
bool registry_schnorr_verify(const G1Affine& pk, const SchnorrSig& sig, const W& msg_hash,
                             std::span<const uint8_t> registry_id, const W& chainid);

}  // namespace vorn::crypto
