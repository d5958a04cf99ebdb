// The Fiat-Shamir transcript shared by every sigma proof and the issuer Schnorr
// signature.
//
// A transcript is an ordered list of 32-byte words in one growable buffer. Points
// enter as their x word then their y word (infinity as two zero words); scalars,
// addresses and chain ids enter as the caller's word, unchanged and unreduced. The
// challenge is Keccak-256 over all words followed by the tag word of the protocol's
// domain tag, read big-endian and reduced modulo r; it is hashed in one pass when the
// challenge is drawn. There is no length framing and no per-item type tag: the
// layout is fixed by each protocol's item order. Challenges may be 0.
#pragma once

#include <span>
#include <vector>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/fields.h"
#include "vorn/core/word.h"
#include "vorn/hash/tags.h"

namespace vorn::hash {

class Transcript {
 public:
  /// An empty transcript closed by `tag` (a Fiat-Shamir tag, checked at compile time).
  explicit Transcript(TranscriptTag tag) : tag_(tag.id) { words_.reserve(16); }

  /// Appends a word unchanged.
  Transcript& w(const W& word) {
    words_.push_back(word);
    return *this;
  }
  /// Appends a point as its x word, then its y word (the point's word encoding).
  Transcript& p(const W& x, const W& y) {
    words_.push_back(x);
    words_.push_back(y);
    return *this;
  }
  /// Appends a point's word encoding: x then y; infinity as two zero words.
  Transcript& p(const bn254::G1Words& pt) { return p(pt[0], pt[1]); }
  /// Appends an affine point as its word encoding (infinity as two zero words).
  Transcript& p(const bn254::G1Affine& pt) { return p(bn254::w_from_g1(pt)); }

  /// The challenge: Keccak-256 of the appended words followed by the tag word,
  /// reduced modulo r, as a canonical word. Does not change the transcript.
  W e() const;
  /// The same challenge as a scalar field element.
  bn254::Fr e_fr() const;

  /// The words appended so far (the tag word is not among them).
  std::span<const W> words() const { return words_; }
  /// The domain tag that closes the transcript.
  Tag tag() const { return tag_; }

 private:
  Tag tag_;
  std::vector<W> words_;
};

}  // namespace vorn::hash
