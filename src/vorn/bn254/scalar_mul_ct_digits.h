// Internal: the signed fixed-window digits that every constant-time scalar
// multiplication reads (variable-base and fixed-base), and the branch-free helpers
// that read them. No branch or memory index here depends on the scalar.
#pragma once

#include <cstdint>

namespace vorn::bn254::detail::ct_digits {

constexpr int kCtWindow = 5;
constexpr int kCtDigits = 51;      // 51 * 5 = 255 bits cover any scalar below r < 2^254
constexpr int kCtHalfDigits = 26;  // 26 * 5 = 130 bits cover a split half below 2^128
constexpr int kCtTable = 16;       // |digit| <= 16

// 1 when a == b, else 0, without branches.
inline uint64_t ct_eq(uint64_t a, uint64_t b) {
  uint64_t x = a ^ b;
  return 1 ^ ((x | (0 - x)) >> 63);
}

// Bits [pos, pos + 5) of the 256-bit value k (bits at 256 and above read as zero).
inline uint64_t window_bits(const uint64_t k[4], int pos) {
  const int limb = pos / 64, off = pos % 64;
  if (limb > 3) return 0;
  uint64_t v = k[limb] >> off;
  if (off > 64 - kCtWindow && limb < 3) v |= k[limb + 1] << (64 - off);
  return v & ((1u << kCtWindow) - 1);
}

// Signed radix-32 digits d[i] in [-15, 16] with k = sum d[i] 32^i, for k below
// 2^(5n - 1). Straight-line arithmetic: the operations do not depend on k.
template <int N>
inline void recode_signed_ct(const uint64_t k[4], int64_t d[N]) {
  uint64_t carry = 0;
  for (int i = 0; i < N; ++i) {
    const uint64_t v = window_bits(k, kCtWindow * i) + carry;  // 0..32
    const uint64_t c = (16 - v) >> 63;                         // 1 when v > 16
    d[i] = (int64_t)v - (int64_t)(c << kCtWindow);
    carry = c;
  }
}

// Splits a digit into its magnitude and sign (1 when negative), branch-free.
inline void digit_parts(int64_t d, uint64_t& mag, uint64_t& neg) {
  const uint64_t s = (uint64_t)(d >> 63);  // all ones when negative
  neg = s & 1;
  mag = ((uint64_t)d ^ s) - s;
}

}  // namespace vorn::bn254::detail::ct_digits
