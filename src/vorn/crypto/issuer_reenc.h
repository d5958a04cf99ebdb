// The issuer re-encryption proof. The issuer decrypts its registered ciphertext
// e_reg = (R_reg, C_reg) with sk_iss to M_iss and re-encrypts it to a recipient as
// e_iss = (r'*G, M_iss + r'*pk_rec). The proof shows that e_iss carries the same
// point as e_reg, that the issuer knows sk_iss, and that r' is consistent with the
// blinded points Q = pk_rec + beta*H, U = r'*H and T = r'*pk_rec + gamma*H, without
// revealing pk_rec. Bound to (issuer, chainid) under
// "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerReenc/v2".
//
// Internal forms on decoded values (word-level wrappers in vorn/crypto/words.h).
#pragma once

#include "vorn/crypto/elgamal.h"

namespace vorn::crypto {

inline constexpr const char* kMsgReencR = "E_iss.R != r'*G";
inline constexpr const char* kMsgReencC = "E_iss.C != M_iss + r'*pk_rec";

/// The proof record, in the order A1..A5, Q, U, T, e, s_r, s_b, s_s, s_g. Scalars
/// are words exactly as supplied (provers write canonical ones).
struct IssuerReencProof {
  G1Affine A1, A2, A3, A4, A5, Q, U, T;
  W e, s_r, s_b, s_s, s_g;
};

/// The prover's secrets: the issuer key, the re-encryption randomness, the two
/// blinding scalars, and the recipient key (never absorbed nor revealed).
struct IssuerReencWitness {
  Fr sk_iss, r_prime;
  G1Affine pk_rec;
  Fr beta, gamma;
};
/// The nonces for r', beta, sk_iss and gamma.
struct IssuerReencNonces {
  Fr k_r, k_b, k_s, k_g;
};

/// Checks the witness first, in constant time: R_iss == r'*G, else "E_iss.R !=
/// r'*G"; then C_iss == (C_reg - sk_iss*R_reg) + r'*pk_rec, else "E_iss.C != M_iss +
/// r'*pk_rec". Then proves. Constant time in the witness and the nonces. Also fails
/// with the Pedersen generator's internal invariant (never reached).
Result<IssuerReencProof> issuer_reenc_prove(const IssuerReencWitness& wit, const Ciphertext& e_reg,
                                            const Ciphertext& e_iss, const W& issuer, const W& chainid,
                                            const IssuerReencNonces& nonces);

/// The verifier, steps in this order, false at the first that fails (scalars taken
/// mod r; no range check, so an e of r or more never verifies): s_r*G == A1 +
/// e*R_iss; s_r*H == A2 + e*U; s_r*Q - s_b*U + s_g*H == A3 + e*T; s_s*G == A4 +
/// e*pk_iss; s_s*R_reg + s_g*H == A5 + e*(C_reg + T - C_iss); the challenge word
/// equals e. No point is rejected for being the identity. Variable time. Fails only
/// with the Pedersen generator's internal invariant.
Result<bool> issuer_reenc_verify(const G1Affine& pk_iss, const Ciphertext& e_reg, const Ciphertext& e_iss,
                                 const IssuerReencProof& proof, const W& issuer, const W& chainid);

}  // namespace vorn::crypto
