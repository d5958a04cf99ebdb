// The Chaum-Pedersen approval proof: alice, holder of e_alice under pk_alice,
// re-encrypts her identity point to bob's key as e_bob and proves that both carry the
// same point, that she knows sk_alice and that R_b = r_prime*G. Bound to (sender,
// spender, chainid, registry) under "VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2".
//
// Internal forms on decoded values (word-level wrappers in vorn/crypto/words.h).
#pragma once

#include "vorn/crypto/elgamal.h"

namespace vorn::crypto {

/// The proof record, in the order T1, T2, T3, e, s1, s2. Scalars are words exactly
/// as supplied (provers write canonical ones).
struct CpProof {
  G1Affine T1, T2, T3;
  W e, s1, s2;
};

/// The binding words of an approval.
struct CpContext {
  W sender, spender, chainid, registry;
};

/// T1 = k1*G, T2 = k1*R_a - k2*pk_bob, T3 = k2*G; s1 = k1 + e*sk_alice, s2 = k2 +
/// e*r_prime. The witness is not checked. Constant time in sk_alice, r_prime, k1, k2.
CpProof chaum_pedersen_prove(const Ciphertext& e_alice, const Ciphertext& e_bob, const G1Affine& pk_alice,
                             const G1Affine& pk_bob, const Fr& sk_alice, const Fr& r_prime, const CpContext& ctx,
                             const Fr& k1, const Fr& k2);

/// e, s1, s2 are all below r (the verifier's first step).
bool cp_scalars_in_range(const CpProof& proof);

/// The verifier, steps in this order, false at the first that fails: scalars below r;
/// pk_alice, pk_bob, R_a, R_b not the identity; s1*G == T1 + e*pk_alice; s2*G == T3 +
/// e*R_b; s1*R_a - s2*pk_bob == T2 + e*(C_a - C_b); the challenge word equals e.
/// Variable time (public data).
bool chaum_pedersen_verify(const Ciphertext& e_alice, const Ciphertext& e_bob, const G1Affine& pk_alice,
                           const G1Affine& pk_bob, const CpProof& proof, const CpContext& ctx);

}  // namespace vorn::crypto
