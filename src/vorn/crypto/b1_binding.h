// The depositor binding proof. A depositor with identity scalar m_dep, key sk_dep and
// registered ciphertext e_dep (decrypting to m_dep*G under sk_dep) re-encrypts
// m_dep*G to the issuer's key as e_dep_for_iss = (r*G, m_dep*G + r*pk_iss), commits
// Cm = m_dep*G + b*H, and proves that all carry the same m_dep and that it holds
// sk_dep. Bound to (account, chainid) under
// "VeltriaVorn/FiatShamir/IdentityRegistry/DepositorBinding/v2".
//
// Internal forms on decoded values (word-level wrappers in vorn/crypto/words.h).
#pragma once

#include "vorn/crypto/elgamal.h"

namespace vorn::crypto {

inline constexpr const char* kMsgDepNotDecrypting = "E_dep does not decrypt to m_dep*G under sk_dep";

/// The proof record, in the order D1..D5, Cm, e, s_m, s_s, s_r, s_b. Scalars are
/// words exactly as supplied (provers write canonical ones).
struct B1BindProof {
  G1Affine D1, D2, D3, D4, D5, Cm;
  W e, s_m, s_s, s_r, s_b;
};

/// What the prover returns: the proof, followed by e_dep_for_iss.
struct B1Binding {
  B1BindProof proof;
  Ciphertext e_dep_for_iss;
};

/// The prover's secrets: identity scalar, key, re-encryption randomness, blinding.
struct B1BindWitness {
  Fr m_dep, sk_dep, r, b;
};
/// The nonces for m_dep, sk_dep, r and b.
struct B1BindNonces {
  Fr k_m, k_s, k_r, k_b;
};

/// Checks, in constant time, that C_dep == m_dep*G + sk_dep*R_dep, else "E_dep does
/// not decrypt to m_dep*G under sk_dep"; then re-encrypts, commits and proves.
/// Constant time in the witness and the nonces. Also fails with the Pedersen
/// generator's internal invariant (never reached).
Result<B1Binding> b1_bind_prove(const B1BindWitness& wit, const Ciphertext& e_dep, const G1Affine& pk_iss,
                                const W& account, const W& chainid, const B1BindNonces& nonces);

/// The verifier, steps in this order, false at the first that fails (scalars taken
/// mod r; no range check, so an e of r or more never verifies): s_s*G == D2 +
/// e*pk_dep; s_m*G + s_s*R_dep == D1 + e*C_dep; s_r*G == D3 + e*R_E; s_m*G +
/// s_r*pk_iss == D4 + e*C_E; s_m*G + s_b*H == D5 + e*Cm; the challenge word equals e.
/// No point is rejected for being the identity. Variable time. Fails only with the
/// Pedersen generator's internal invariant.
Result<bool> b1_bind_verify(const G1Affine& pk_dep, const Ciphertext& e_dep, const G1Affine& pk_iss,
                            const Ciphertext& e_dep_for_iss, const B1BindProof& proof, const W& account,
                            const W& chainid);

}  // namespace vorn::crypto
