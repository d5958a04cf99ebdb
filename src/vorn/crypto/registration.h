// The registration proof: a registrant shows in one proof that a hiding PS
// presentation (A, B) carries an issuer signature on a secret identity scalar m,
// that the ciphertext (R, C) encrypts m*G under pk, and that it knows sk of pk. The
// presentation is checked through the auxiliary point m*A + blind*G (committed as C1)
// and one three-pair pairing product. Bound to (registrant, chainid, registry) under
// the tag "VeltriaVorn/FiatShamir/IdentityRegistry/Register/v2".
//
// Internal forms on decoded values (word-level wrappers in vorn/crypto/words.h).
#pragma once

#include "vorn/crypto/elgamal.h"

namespace vorn::crypto {

/// The proof record, in the order C1, T_C, T_R, T_key, e, s_m, s_b, s_r, s_sk.
/// Scalars are words exactly as supplied (provers write canonical ones).
struct RegistrationProof {
  G1Affine C1, T_C, T_R, T_key;
  W e, s_m, s_b, s_r, s_sk;
};

/// The witness and the four nonces, reduced mod r.
struct RegistrationWitness {
  Fr blind, m, r, sk;
};
struct RegistrationNonces {
  Fr m_tilde, b_tilde, r_tilde, sk_tilde;
};

/// Proves for the presentation (A, B), the ciphertext e_ct and the key pk. The
/// witness is not checked: a false one yields a proof that does not verify.
/// Constant time in the witness and the nonces.
RegistrationProof registration_prove(const G1Affine& a, const G1Affine& b, const G1Affine& pk,
                                     const Ciphertext& e_ct, const RegistrationWitness& wit,
                                     const RegistrationNonces& nonces, const W& registrant, const W& chainid,
                                     const W& registry);

/// The proof's five scalar words are all below r (the verifier's first step).
bool registration_scalars_in_range(const RegistrationProof& proof);

/// The verifier, steps in this order, false at the first that fails: scalars below r;
/// A, B, pk and R not the identity; the challenge word equals e; s_m*G + s_r*pk ==
/// T_C + e*C; s_r*G == T_R + e*R; s_sk*G == T_key + e*pk; and the pairing product
/// e(s_m*A + s_b*G - C1, Y) * e(e*A, X) * e(-e*B, g2) == 1. X and Y must be decoded
/// G2 points. Variable time (public data).
bool registration_verify(const G1Affine& a, const G1Affine& b, const Ciphertext& e_ct, const G1Affine& pk,
                         const G2Affine& issuer_x, const G2Affine& issuer_y, const RegistrationProof& proof,
                         const W& registrant, const W& chainid, const W& registry);

}  // namespace vorn::crypto
