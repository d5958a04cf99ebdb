#include "vorn/core/word.h"

namespace vorn {

std::string to_hex(const uint8_t* p, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out(2 * n, '0');
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = kDigits[p[i] >> 4];
    out[2 * i + 1] = kDigits[p[i] & 15];
  }
  return out;
}

static int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool w_from_hex64(std::string_view hex, W& out) {
  if (hex.size() != 64) return false;
  W w;
  for (size_t i = 0; i < 32; ++i) {
    int hi = hex_value(hex[2 * i]), lo = hex_value(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    w.b[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  out = w;
  return true;
}

std::string to_decimal(const W& w) {
  // Repeated division of the big-endian number by 10^19 (fits in 64 bits).
  uint32_t limbs[8];
  for (int i = 0; i < 8; ++i)
    limbs[i] = uint32_t(w.b[4 * i]) << 24 | uint32_t(w.b[4 * i + 1]) << 16 | uint32_t(w.b[4 * i + 2]) << 8 | w.b[4 * i + 3];
  std::string digits;
  bool nonzero = true;
  while (nonzero) {
    uint64_t rem = 0;
    nonzero = false;
    for (int i = 0; i < 8; ++i) {
      uint64_t cur = (rem << 32) | limbs[i];
      limbs[i] = static_cast<uint32_t>(cur / 1000000000u);
      rem = cur % 1000000000u;
      if (limbs[i]) nonzero = true;
    }
    for (int k = 0; k < 9; ++k) {
      digits.push_back(static_cast<char>('0' + rem % 10));
      rem /= 10;
    }
  }
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  return std::string(digits.rbegin(), digits.rend());
}

bool w_from_decimal(std::string_view dec, W& out) {
  if (dec.empty()) return false;
  uint32_t limbs[8] = {0};  // big-endian 32-bit limbs
  for (char c : dec) {
    if (c < '0' || c > '9') return false;
    uint64_t carry = static_cast<uint64_t>(c - '0');
    for (int i = 7; i >= 0; --i) {
      uint64_t cur = static_cast<uint64_t>(limbs[i]) * 10 + carry;
      limbs[i] = static_cast<uint32_t>(cur);
      carry = cur >> 32;
    }
    if (carry) return false;
  }
  for (int i = 0; i < 8; ++i)
    for (int k = 0; k < 4; ++k) out.b[4 * i + k] = static_cast<uint8_t>(limbs[i] >> (24 - 8 * k));
  return true;
}

}  // namespace vorn
