// ElGamal encryption of G1 points and Pointcheval-Sanders signatures on one scalar.
//
// These are the internal forms, on decoded points and reduced scalars; the word-level
// wrappers (decoding with the fixed messages) are in vorn/crypto/words.h. Every
// multiplication by a secret or random scalar here is constant time; the two
// verification checks (pairings) are variable time on public data.
#pragma once

#include "vorn/crypto/group.h"

namespace vorn::crypto {

/// An ElGamal ciphertext (R, C), R first: R = r*G, C = M + r*pk.
struct Ciphertext {
  G1Affine R, C;
};

/// (r*G, M + r*pk). M and pk may be the identity; r = 0 gives (identity, M).
/// Constant time in r, M and pk.
Ciphertext elgamal_encrypt(const G1Affine& m, const G1Affine& pk, const Fr& r);

/// C - sk*R. A wrong key yields some other point, never an error. Constant time in sk.
G1Affine elgamal_decrypt(const Ciphertext& ct, const Fr& sk);

/// A PS signature: sigma_2 = (x + y*m)*sigma_1.
struct PsSignature {
  G1Affine sigma_1, sigma_2;
};

/// A hiding presentation (A, B) = (a*sigma_1, a*sigma_2 + b*Y1).
struct PsPresentation {
  G1Affine A, B;
};

inline constexpr const char* kMsgPresentationZero = "presentation scalars a, b must be nonzero";

/// (t*G, (x + y*m)*t*G). t = 0 gives the identity signature, which ps_verify rejects.
/// Constant time in all four scalars.
PsSignature ps_sign(const Fr& x, const Fr& y, const Fr& m, const Fr& t);

/// False when sigma_1 is the identity; otherwise whether
/// e(sigma_1, X + m*Y) * e(-sigma_2, g2) == 1. X and Y must be decoded G2 points
/// (order-r subgroup). Variable time (public data).
bool ps_verify(const G2Affine& pk_x, const G2Affine& pk_y, const PsSignature& sig, const Fr& m);

/// (t*sigma_1, t*sigma_2); t is not checked for zero. Constant time in t.
PsSignature ps_rerandomize(const PsSignature& sig, const Fr& t);

/// (a*sigma_1, a*sigma_2 + b*Y1); a or b equal to zero fails with "presentation
/// scalars a, b must be nonzero". Constant time in a and b.
Result<PsPresentation> ps_present(const PsSignature& sig, const G1Affine& y1, const Fr& a, const Fr& b);

/// False when Y1 is the identity; otherwise whether e(Y1, g2) * e(-G, Y) == 1, i.e.
/// Y1 and Y carry the same secret. Variable time (public data).
bool ps_key_consistent(const G2Affine& pk_y, const G1Affine& y1);

}  // namespace vorn::crypto
