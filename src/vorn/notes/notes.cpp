#include "vorn/notes/notes.h"

#include <array>

#include "vorn/bn254/encoding.h"
#include "vorn/core/ct.h"
#include "vorn/notes/hashing.h"

namespace vorn::notes {

using bn254::w_lt_order;

bool is_nonzero_scalar(const W& w) {
  // Both tests always run, so the time does not reveal which one failed.
  const bool below = w_lt_order(w);
  const bool zero = w.is_zero();
  return below & !zero;
}

namespace {

// v < 2^128: the upper 16 bytes of the word are zero (OR-accumulated, no early exit).
bool fits_128(const W& v) {
  uint8_t acc = 0;
  for (int i = 0; i < 16; ++i) acc |= v.b[i];
  return acc == 0;
}

}  // namespace

// The range tests on v, rho and m_issuer (secrets) are constant time; only their
// outcome leaves, as the error.
Result<W> note_commitment(uint64_t flavor, const W& v, const W& rho, const W& id_hash, const W& predicate) {
  if (flavor != kFlavorA1 && flavor != kFlavorA2 && flavor != kFlavorB1) return IdError{kUnknownFlavor};
  if (!ct::declassify(fits_128(v))) return IdError{kValueOutOfRange};
  if (!ct::declassify(is_nonzero_scalar(rho))) return IdError{kRhoNotScalar};
  if (!w_lt_order(id_hash)) return IdError{kIdHashOutOfField};
  if (!w_lt_order(predicate)) return IdError{kPredicateOutOfField};
  return tagged_hash(hash::Tag::NoteCommitment, {W::from_u64(flavor), v, rho, id_hash, predicate});
}

Result<W> nullifier(const W& rho, const W& id_hash) {
  if (!ct::declassify(is_nonzero_scalar(rho))) return IdError{kRhoNotScalar};
  if (!w_lt_order(id_hash)) return IdError{kIdHashOutOfField};
  return tagged_hash(hash::Tag::Nullifier, {rho, id_hash});
}

Result<W> id_hash_a1(const CiphertextW& e, const W& m_issuer) {
  if (!ct::declassify(is_nonzero_scalar(m_issuer))) return IdError{kScalarsOutOfRange};
  return tagged_hash(hash::Tag::IdHash, {e.r[0], e.r[1], e.c[0], e.c[1], m_issuer});
}

Result<W> id_hash_a2(const CiphertextW& e_note, const CiphertextW& e_iss, const G1Words& t) {
  return tagged_hash(hash::Tag::IdHash, {e_note.r[0], e_note.r[1], e_note.c[0], e_note.c[1], e_iss.r[0], e_iss.r[1],
                                         e_iss.c[0], e_iss.c[1], t[0], t[1]});
}

Result<W> id_hash_b1(const W& m_issuer) {
  if (!ct::declassify(is_nonzero_scalar(m_issuer))) return IdError{kScalarsOutOfRange};
  return tagged_hash(hash::Tag::IdHash, {m_issuer});
}

}  // namespace vorn::notes
