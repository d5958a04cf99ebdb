// Test helpers for the crypto folder: seeded scalars, points computed with the plain
// bn254 primitives (variable-time multiplication, projective addition), word edits,
// and the Fiat-Shamir challenge recomputed from raw bytes with the tag text written
// out, independently of the Transcript class.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "vorn/bn254/encoding.h"
#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/words.h"
#include "vorn/hash/keccak.h"

namespace cs {

using namespace vorn;
using namespace vorn::bn254;
using vorn::crypto::Ciphertext;

inline Fr rnd(std::mt19937_64& rng) {
  uint64_t l[4] = {rng(), rng(), rng(), rng()};
  return Fr::from_limbs_reduce(l);
}

inline G1Affine G() { return g1_generator(); }
inline G1Affine O() { return G1Affine::identity(); }
/// k*P with the variable-time primitive.
inline G1Affine mul(const G1Affine& p, const Fr& k) { return g1_mul_var(p, k).to_affine_var(); }
inline G1Affine gmul(const Fr& k) { return mul(G(), k); }
inline G1Affine add(const G1Affine& a, const G1Affine& b) { return (G1::from_affine(a) + G1::from_affine(b)).to_affine_var(); }
inline G1Affine sub(const G1Affine& a, const G1Affine& b) { return add(a, -b); }
inline G2Affine g2mul(const Fr& k) { return g2_mul_var(g2_generator(), k).to_affine_var(); }

/// The Pedersen generator.
inline G1Affine H() { return vorn::crypto::pedersen_h().value(); }

/// ElGamal (r*G, M + r*pk), by hand.
inline Ciphertext enc(const G1Affine& m, const G1Affine& pk, const Fr& r) { return {gmul(r), add(m, mul(pk, r))}; }

/// The order r as a word, and w + r (w below 2^256 - r).
inline W r_word() {
  W w;
  w_from_hex64("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001", w);
  return w;
}
inline W plus_r(const W& w) {
  const W r = r_word();
  W out;
  unsigned carry = 0;
  for (int i = 31; i >= 0; --i) {
    const unsigned s = unsigned(w.b[i]) + r.b[i] + carry;
    out.b[i] = uint8_t(s);
    carry = s >> 8;
  }
  return out;
}
inline W u(uint64_t v) { return W::from_u64(v); }

/// Keccak-256 over the words, then the Keccak-256 of the tag text, reduced mod r.
inline W fs(std::initializer_list<G1Words> points, std::initializer_list<W> words, std::string_view tag) {
  std::vector<uint8_t> bytes;
  auto put = [&](const W& w) { bytes.insert(bytes.end(), w.b.begin(), w.b.end()); };
  for (const G1Words& p : points) put(p[0]), put(p[1]);
  for (const W& w : words) put(w);
  put(hash::keccak_raw(reinterpret_cast<const uint8_t*>(tag.data()), tag.size()));
  return reduce_mod_order(hash::keccak_raw(bytes.data(), bytes.size()));
}
inline G1Words pw(const G1Affine& p) { return w_from_g1(p); }

/// Malformed point words: not on the curve, and a coordinate of q or more.
inline G1Words off_curve() { return {W::from_u64(0), W::from_u64(1)}; }
inline G1Words non_canonical() {
  W q;
  w_from_hex64("30644e72e131a029b85045b68181585d97816a916871ca8d3c208c16d87cfd47", q);
  return {q, W::from_u64(2)};
}
inline const char* const kOffCurve = kMsgG1NotOnCurve;
inline const char* const kNonCanonical = kMsgNotCanonicalFq;

template <class T>
std::string err(const Result<T>& r) {
  return r.ok() ? std::string("<ok>") : r.error().msg;
}

}  // namespace cs

namespace cs {

inline crypto::words::CtWords ctw(const G1Words& r, const G1Words& c) { return {r, c}; }
inline crypto::words::CtWords ctw(const Ciphertext& ct) { return ctw(w_from_g1(ct.R), w_from_g1(ct.C)); }

/// Pins a decoding order: for every position i of `points` (listed in the order the
/// function must decode them), position i is made off the curve and every later
/// position gets a non-canonical coordinate; the off-curve message must win.
template <class Call>
void expect_decode_order(const std::vector<G1Words>& points, Call call) {
  for (size_t i = 0; i < points.size(); ++i) {
    std::vector<G1Words> v = points;
    v[i] = off_curve();
    for (size_t j = i + 1; j < v.size(); ++j) v[j] = non_canonical();
    EXPECT_EQ(err(call(v)), kOffCurve) << "decoding position " << i;
  }
}

}  // namespace cs
