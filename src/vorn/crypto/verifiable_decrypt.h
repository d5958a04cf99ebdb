// One discrete-log-equality proof under two transcripts: the holder of sk shows that
// (R, C) decrypts to M under pk = sk*G (pk = sk*G and C - M = sk*R).
//  - verifiable decryption: bound to (account, chainid) under
//    "VeltriaVorn/FiatShamir/Receipt/VerifiableDecrypt/v2";
//  - identity opening: bound to (account, chainid, registry) under
//    "VeltriaVorn/FiatShamir/IdentityRegistry/IdentityOpening/v2".
// A proof made for one never verifies for the other.
//
// Internal forms on decoded values (word-level wrappers in vorn/crypto/words.h).
#pragma once

#include "vorn/crypto/elgamal.h"

namespace vorn::crypto {

/// The proof record, in the order T1, T2, e, s. Scalars are words exactly as
/// supplied (provers write canonical ones).
struct VdProof {
  G1Affine T1, T2;
  W e, s;
};

/// Which transcript binds the proof, and its binding words.
struct VdContext {
  enum class Kind : uint8_t { VerifiableDecrypt, IdentityOpening };
  Kind kind;
  W account, chainid;
  W registry;  // identity opening only

  /// The receipt form: (account, chainid).
  static VdContext receipt(const W& account, const W& chainid) {
    return {Kind::VerifiableDecrypt, account, chainid, W{}};
  }
  /// The identity-opening form: (account, chainid, registry).
  static VdContext opening(const W& account, const W& chainid, const W& registry) {
    return {Kind::IdentityOpening, account, chainid, registry};
  }
};

/// pk = sk*G, T1 = t*G, T2 = t*R, s = t + e*sk. M is not checked to be the
/// decryption: a wrong M yields a proof that fails the decryption check. Constant
/// time in sk and t.
VdProof dleq_prove(const Ciphertext& e_ct, const Fr& sk, const G1Affine& m_point, const VdContext& ctx,
                   const Fr& t);

/// The verifier, steps in this order, false at the first that fails: s*G == T1 +
/// e*pk; s*R == T2 + e*(C - M); the challenge word equals e (e and s taken mod r for
/// the arithmetic; no range check, so an e of r or more never verifies while s is
/// accepted mod r). No point is rejected for being the identity. Variable time.
bool dleq_verify(const Ciphertext& e_ct, const G1Affine& pk, const G1Affine& m_point, const VdProof& proof,
                 const VdContext& ctx);

/// The two transcripts under their own names.
inline VdProof verifiable_decrypt_prove(const Ciphertext& e_ct, const Fr& sk, const G1Affine& m_point,
                                        const W& account, const W& chainid, const Fr& t) {
  return dleq_prove(e_ct, sk, m_point, VdContext::receipt(account, chainid), t);
}
inline bool verifiable_decrypt_verify(const Ciphertext& e_ct, const G1Affine& pk, const G1Affine& m_point,
                                      const VdProof& proof, const W& account, const W& chainid) {
  return dleq_verify(e_ct, pk, m_point, proof, VdContext::receipt(account, chainid));
}
inline VdProof identity_opening_prove(const Ciphertext& e_ct, const Fr& sk, const G1Affine& m_point,
                                      const W& account, const W& chainid, const W& registry, const Fr& t) {
  return dleq_prove(e_ct, sk, m_point, VdContext::opening(account, chainid, registry), t);
}
inline bool identity_opening_verify(const Ciphertext& e_ct, const G1Affine& pk, const G1Affine& m_point,
                                    const VdProof& proof, const W& account, const W& chainid, const W& registry) {
  return dleq_verify(e_ct, pk, m_point, proof, VdContext::opening(account, chainid, registry));
}

}  // namespace vorn::crypto
