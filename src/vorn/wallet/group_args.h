// Curve points and scalars between JSON words and the group: decoding point words
// with the fixed messages, constant-time multiples of G and H, point words of
// computed points, and the decimal and limb writers of the delivery records and
// circuit witnesses.
//
// Everything here may be handed secrets (receiving keys, note randomness, masks):
// the multiplications are constant time and the normalisations use a constant-time
// inversion. Computed points are compared with given words by `same_words`, which
// reads every byte; only its outcome (a relation holds or not) is revealed, and the
// caller reports that anyway.
#pragma once

#include <string>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/fields.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/notes/notes.h"
#include "vorn/wallet/json.h"

namespace vorn::wallet {

using bn254::Fr;
using bn254::G1;
using bn254::G1Affine;
using notes::CiphertextW;
using notes::G1Words;

/// The scalar of a word reduced modulo r. Constant time.
Fr fr_of(const W& w);

/// Decodes point words: (0, 0) is infinity; otherwise each coordinate must be below
/// q ("coordinate not a canonical Fq element", x first) and the point on the curve
/// ("G1 point not on curve").
Result<G1Affine> decode_g1(const G1Words& p);

/// The words of a point (infinity as (0, 0)), without a branch on the point (it
/// may be secret). The projective form is normalised with a constant-time
/// inversion.
G1Words point_words(const G1Affine& p);
G1Words point_words(const G1& p);

/// True when the two words are equal. Reads all 32 bytes of both (constant time);
/// the answer itself is public (callers report it), and is declassified as such.
bool same_word(const W& a, const W& b);
/// True when both coordinates are equal (constant time; the answer is public).
bool same_words(const G1Words& a, const G1Words& b);

/// k*G for the generator G = (1, 2). Constant time in k.
G1 mul_g_ct(const Fr& k);
/// k*P. Constant time in k and P.
G1 mul_ct(const G1Affine& p, const Fr& k);
/// k*H for the Pedersen generator H. Constant time in k. Fails only with the
/// generator search's internal invariant.
Result<G1> mul_h_ct(const Fr& k);

/// {"x": dec_w(x), "y": dec_w(y)}, coordinates as they are.
Json g1_dec(const G1Words& p);
/// {"R": g1_dec(R), "C": g1_dec(C)}.
Json ct_dec(const CiphertextW& ct);

/// A decimal string of the word reduced modulo r.
Json dec_scalar(const W& w);
/// The word's four 64-bit limbs, least significant first, as decimal strings.
Json limbs(const W& w);

}  // namespace vorn::wallet
