#include "vorn/registry/wire.h"

namespace vorn::registry {

bool is_valid_utf8(std::span<const uint8_t> s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const uint8_t b0 = s[i];
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    // Lead byte: sequence length and the admissible range of the second byte, which
    // excludes overlong forms (E0, F0), surrogates (ED) and values above U+10FFFF (F4).
    size_t len;
    uint8_t lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      return false;  // continuation byte, C0/C1 overlong lead, or F5..FF
    }
    if (n - i < len) return false;
    if (s[i + 1] < lo || s[i + 1] > hi) return false;
    for (size_t k = 2; k < len; ++k)
      if ((s[i + k] & 0xC0) != 0x80) return false;
    i += len;
  }
  return true;
}

Result<std::span<const uint8_t>> WireReader::bytes(size_t n) {
  if (n > remaining()) return IdError{kWireTruncated};
  auto out = in_.subspan(pos_, n);
  pos_ += n;
  return out;
}

Result<W> WireReader::word() {
  VORN_TRY(auto b, bytes(32));
  return W::from_bytes(b.data());
}

Result<uint32_t> WireReader::u32() {
  VORN_TRY(auto b, bytes(4));
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

Result<uint64_t> WireReader::u64() {
  VORN_TRY(auto b, bytes(8));
  uint64_t v = 0;
  for (uint8_t x : b) v = v << 8 | x;
  return v;
}

Result<int64_t> WireReader::i64() {
  VORN_TRY(uint64_t v, u64());
  return static_cast<int64_t>(v);  // two's complement (well defined since C++20)
}

Result<std::string> WireReader::text_u32() {
  const size_t start = pos_;
  VORN_TRY(uint32_t len, u32());
  auto body = bytes(len);
  if (!body.ok()) {
    pos_ = start;
    return std::move(body).error();
  }
  if (!is_valid_utf8(*body)) {
    pos_ = start;
    return IdError{kWireInvalidUtf8};
  }
  return std::string(reinterpret_cast<const char*>(body->data()), body->size());
}

void WireWriter::u32(uint32_t v) {
  for (int sh = 24; sh >= 0; sh -= 8) out_.push_back(static_cast<uint8_t>(v >> sh));
}

void WireWriter::u64(uint64_t v) {
  for (int sh = 56; sh >= 0; sh -= 8) out_.push_back(static_cast<uint8_t>(v >> sh));
}

Result<uint32_t> wire_length_u32(size_t n) {
  if (static_cast<uint64_t>(n) > UINT32_MAX) return IdError{kWireFieldTooLong};
  return static_cast<uint32_t>(n);
}

Status WireWriter::bytes_u32(std::span<const uint8_t> b) {
  VORN_TRY(uint32_t len, wire_length_u32(b.size()));
  u32(len);
  bytes(b);
  return ok_status();
}

Status WireWriter::text_u32(std::string_view s) {
  VORN_TRY(uint32_t len, wire_length_u32(s.size()));
  if (!is_valid_utf8(text_bytes(s))) return IdError{kWireInvalidUtf8};
  u32(len);
  bytes(text_bytes(s));
  return ok_status();
}

}  // namespace vorn::registry
