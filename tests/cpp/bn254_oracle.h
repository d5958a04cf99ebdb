// Plain multi-precision arithmetic for tests: schoolbook products and bit-by-bit
// remainders, sharing no code with the Montgomery kernel, used as an oracle.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

namespace oracle {

// Little-endian 64-bit limbs of any length.
using Big = std::vector<uint64_t>;

inline Big big(const uint64_t* limbs, int n) { return Big(limbs, limbs + n); }

inline int bit_length(const Big& a) {
  for (int i = (int)a.size() - 1; i >= 0; --i)
    if (a[i]) return i * 64 + 64 - __builtin_clzll(a[i]);
  return 0;
}

inline bool bit(const Big& a, int i) { return (size_t)(i / 64) < a.size() && ((a[i / 64] >> (i % 64)) & 1); }

inline int cmp(const Big& a, const Big& b) {
  size_t n = std::max(a.size(), b.size());
  for (size_t k = n; k-- > 0;) {
    uint64_t x = k < a.size() ? a[k] : 0, y = k < b.size() ? b[k] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

inline Big add(const Big& a, const Big& b) {
  size_t n = std::max(a.size(), b.size()) + 1;
  Big r(n, 0);
  unsigned __int128 c = 0;
  for (size_t i = 0; i < n; ++i) {
    c += (unsigned __int128)(i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
    r[i] = (uint64_t)c;
    c >>= 64;
  }
  return r;
}

// a - b, requires a >= b.
inline Big sub(const Big& a, const Big& b) {
  Big r(a.size(), 0);
  uint64_t br = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    uint64_t y = i < b.size() ? b[i] : 0;
    unsigned __int128 t = (unsigned __int128)a[i] - y - br;
    r[i] = (uint64_t)t;
    br = (uint64_t)(t >> 127);
  }
  return r;
}

inline Big mul(const Big& a, const Big& b) {
  Big r(a.size() + b.size(), 0);
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned __int128 c = 0;
    for (size_t j = 0; j < b.size(); ++j) {
      c += (unsigned __int128)a[i] * b[j] + r[i + j];
      r[i + j] = (uint64_t)c;
      c >>= 64;
    }
    r[i + b.size()] = (uint64_t)c;
  }
  return r;
}

// a mod m by shift-and-subtract.
inline Big mod(const Big& a, const Big& m) {
  Big r(m.size() + 1, 0);
  for (int i = bit_length(a) - 1; i >= 0; --i) {
    // r = 2r + bit
    uint64_t carry = bit(a, i);
    for (auto& x : r) {
      uint64_t nc = x >> 63;
      x = (x << 1) | carry;
      carry = nc;
    }
    if (cmp(r, m) >= 0) r = sub(r, m);
  }
  r.resize(4, 0);
  return r;
}

// Quotient of a by m (remainder discarded), by shift-and-subtract.
inline Big div(const Big& a, const Big& m) {
  Big q(a.size(), 0), r(m.size() + 1, 0);
  for (int i = bit_length(a) - 1; i >= 0; --i) {
    uint64_t carry = bit(a, i);
    for (auto& x : r) {
      uint64_t nc = x >> 63;
      x = (x << 1) | carry;
      carry = nc;
    }
    if (cmp(r, m) >= 0) {
      r = sub(r, m);
      q[i / 64] |= 1ULL << (i % 64);
    }
  }
  return q;
}

inline Big pow2(int k) {
  Big r(k / 64 + 1, 0);
  r[k / 64] = 1ULL << (k % 64);
  return r;
}

inline std::array<uint64_t, 4> to4(const Big& a) {
  std::array<uint64_t, 4> r{};
  for (size_t i = 0; i < 4 && i < a.size(); ++i) r[i] = a[i];
  return r;
}

inline Big from_be(const uint8_t* p, size_t n) {
  Big r((n + 7) / 8 + 1, 0);
  for (size_t i = 0; i < n; ++i) {
    size_t k = n - 1 - i;  // byte position from the least significant end
    r[k / 8] |= (uint64_t)p[i] << (8 * (k % 8));
  }
  return r;
}

}  // namespace oracle
