// Notes: commitments, nullifiers and the identity hashes of the three flavors.
//
// A note is (flavor, v, rho, id_hash, predicate). Its commitment and nullifier and
// the identity hash that ties it to the identities entitled to it are domain-tagged
// Poseidon hashes over the BN254 scalar field (the tag scalar first), so a circuit
// can recompute them. Points and ciphertexts enter as their coordinate words and are
// not checked to lie on the curve; Poseidon reads every word modulo r.
//
// All functions are pure and run in time independent of the values of their
// arguments (range checks included), so they may be given secret rho, salts and
// identity scalars. Every failure is an IdError with one of the messages below,
// checked in the order each function documents; nothing is computed after a failure.
#pragma once

#include <cstdint>

#include "vorn/bn254/encoding.h"
#include "vorn/core/result.h"
#include "vorn/core/word.h"
#include "vorn/crypto/words.h"

namespace vorn::notes {

inline constexpr uint64_t kFlavorA1 = 1;
inline constexpr uint64_t kFlavorA2 = 2;
inline constexpr uint64_t kFlavorB1 = 3;

inline constexpr const char* kUnknownFlavor = "unknown flavor";
inline constexpr const char* kValueOutOfRange = "v out of range [0, 2^128)";
inline constexpr const char* kRhoNotScalar = "rho must be a non-zero scalar mod ORDER";
inline constexpr const char* kIdHashOutOfField = "id_hash must lie in [0, F_R)";
inline constexpr const char* kPredicateOutOfField = "predicate must lie in [0, F_R)";
inline constexpr const char* kScalarsOutOfRange = "scalars must lie in [1, ORDER)";

/// A G1 point travels as bn254's coordinate words (x, y); infinity is (0, 0). Not
/// checked here.
using bn254::G1Words;

/// An ElGamal ciphertext (R, C) as point words, the crypto layer's own type; enters
/// a hash as R.x, R.y, C.x, C.y.
using CiphertextW = crypto::words::CtWords;

/// The nonzero-scalar test shared by the leaves and id hashes: true exactly when the
/// word, read big-endian, lies in [1, r) (reduced modulo r it is nonzero and equal
/// to itself). Constant time.
bool is_nonzero_scalar(const W& w);

/// The note commitment: Poseidon(tag "VeltriaVorn/Notes/Commitment/v2", flavor, v,
/// rho, id_hash, predicate), the flavor as a word. Checks, in this order:
///   flavor in {1, 2, 3}            else "unknown flavor"
///   v < 2^128                      else "v out of range [0, 2^128)"
///   rho in [1, r)                  else "rho must be a non-zero scalar mod ORDER"
///   id_hash < r                    else "id_hash must lie in [0, F_R)"
///   predicate < r                  else "predicate must lie in [0, F_R)"
Result<W> note_commitment(uint64_t flavor, const W& v, const W& rho, const W& id_hash, const W& predicate);

/// The nullifier: Poseidon(tag "VeltriaVorn/Notes/Nullifier/v2", rho, id_hash).
/// rho in [1, r) else "rho must be a non-zero scalar mod ORDER"; then id_hash < r
/// else "id_hash must lie in [0, F_R)".
Result<W> nullifier(const W& rho, const W& id_hash);

/// Identity hash of flavor A1: Poseidon(tag "VeltriaVorn/Notes/IdHash/v2", R.x, R.y,
/// C.x, C.y of e_note, m_issuer). m_issuer in [1, r) else "scalars must lie in
/// [1, ORDER)".
Result<W> id_hash_a1(const CiphertextW& e_note, const W& m_issuer);

/// Identity hash of flavor A2: Poseidon(tag "VeltriaVorn/Notes/IdHash/v2", e_note's
/// four words, e_iss's four words, t.x, t.y). No range checks: every word is read
/// modulo r.
Result<W> id_hash_a2(const CiphertextW& e_note, const CiphertextW& e_iss, const G1Words& t);

/// Identity hash of flavor B1: Poseidon(tag "VeltriaVorn/Notes/IdHash/v2",
/// m_issuer). m_issuer in [1, r) else "scalars must lie in [1, ORDER)".
Result<W> id_hash_b1(const W& m_issuer);

}  // namespace vorn::notes
