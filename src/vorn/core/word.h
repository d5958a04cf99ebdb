// The 256-bit word W: 32 bytes, big-endian, an unsigned integer.
//
// Every scalar, coordinate, address, chain id and hash output crosses the kernel as
// a W. Which of these a word is is decided by the operation that reads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vorn {

struct W {
  std::array<uint8_t, 32> b{};

  constexpr bool operator==(const W&) const = default;

  /// True when all 32 bytes are zero.
  bool is_zero() const {
    uint8_t acc = 0;
    for (uint8_t x : b) acc |= x;
    return acc == 0;
  }

  const uint8_t* data() const { return b.data(); }
  uint8_t* data() { return b.data(); }

  /// The word holding a 64-bit value (right-aligned).
  static W from_u64(uint64_t v) {
    W out;
    for (int i = 0; i < 8; ++i) out.b[31 - i] = static_cast<uint8_t>(v >> (8 * i));
    return out;
  }

  /// Copies exactly 32 bytes.
  static W from_bytes(const uint8_t* p) {
    W out;
    std::memcpy(out.b.data(), p, 32);
    return out;
  }

  /// Big-endian comparison: -1, 0 or 1. Variable time (public values only).
  int compare(const W& o) const { return std::memcmp(b.data(), o.b.data(), 32) < 0 ? -1 : (b == o.b ? 0 : 1); }
};

/// Lower-case hex of bytes, no prefix.
std::string to_hex(const uint8_t* p, size_t n);
inline std::string to_hex(const W& w) { return to_hex(w.data(), 32); }

/// Parses exactly 64 hex digits (either case, no prefix). False on any other input.
bool w_from_hex64(std::string_view hex, W& out);

/// Decimal text of a word (no leading zeros; "0" for zero).
std::string to_decimal(const W& w);

/// Parses a decimal text of digits only into a word. False when empty, when a
/// non-digit appears, or when the value is 2^256 or more.
bool w_from_decimal(std::string_view dec, W& out);

}  // namespace vorn
