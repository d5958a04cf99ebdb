// Bounds-checked reading and writing of the registry's binary wire data.
//
// Certificate bytes arrive from the network, so every stated length is hostile: the
// reader compares a length with the bytes that remain (never `pos + len`, which can
// wrap) and fails with one fixed message instead of reading past its input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "vorn/core/result.h"
#include "vorn/core/word.h"

namespace vorn::registry {

using Bytes = std::vector<uint8_t>;

inline constexpr const char* kWireTruncated = "certificate wire data truncated";
inline constexpr const char* kWireInvalidUtf8 = "invalid UTF-8 in wire data";
// A length that does not fit the 4-byte length field of the wire (2^32 bytes or more):
// writing it would silently wrap the length and corrupt every field after it.
inline constexpr const char* kWireFieldTooLong = "certificate wire field too long (>= 2^32 bytes)";

/// True exactly when `s` is well-formed UTF-8: shortest forms only, no surrogates
/// (U+D800..U+DFFF), nothing above U+10FFFF. The empty string is valid.
bool is_valid_utf8(std::span<const uint8_t> s);

/// Sequential big-endian reader over a byte span it does not own. Every read either
/// succeeds completely or fails with kWireTruncated and leaves the position unchanged;
/// no read ever touches a byte outside the span, whatever length it is asked for.
class WireReader {
 public:
  explicit WireReader(std::span<const uint8_t> in) : in_(in) {}

  size_t pos() const { return pos_; }
  size_t remaining() const { return in_.size() - pos_; }

  /// The next `n` bytes (a view into the input). kWireTruncated if fewer remain.
  Result<std::span<const uint8_t>> bytes(size_t n);
  /// The next 32 bytes as a word. kWireTruncated if fewer remain.
  Result<W> word();
  /// Unsigned 32-bit big-endian. kWireTruncated if fewer than 4 bytes remain.
  Result<uint32_t> u32();
  /// Unsigned 64-bit big-endian. kWireTruncated if fewer than 8 bytes remain.
  Result<uint64_t> u64();
  /// Signed 64-bit, big-endian two's complement. kWireTruncated if fewer than 8 remain.
  Result<int64_t> i64();
  /// A 4-byte length L followed by L bytes of UTF-8 text. kWireTruncated when the
  /// length or the text bytes are missing (checked first), then kWireInvalidUtf8.
  Result<std::string> text_u32();

 private:
  std::span<const uint8_t> in_;
  size_t pos_ = 0;
};

/// Appends big-endian integers and byte strings to a buffer.
class WireWriter {
 public:
  void word(const W& w) { out_.insert(out_.end(), w.b.begin(), w.b.end()); }
  void u32(uint32_t v);
  void u64(uint64_t v);
  void i64(int64_t v) { u64(static_cast<uint64_t>(v)); }
  void bytes(std::span<const uint8_t> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  /// Appends the 4-byte length of `b`, then `b`. kWireFieldTooLong (and nothing is
  /// appended) when `b` has 2^32 bytes or more.
  Status bytes_u32(std::span<const uint8_t> b);
  /// Appends a text as bytes_u32 does, so that the reader accepts it back:
  /// kWireFieldTooLong, then kWireInvalidUtf8 when it is not well-formed UTF-8
  /// (nothing is appended on failure).
  Status text_u32(std::string_view s);

  Bytes& out() { return out_; }
  Bytes take() && { return std::move(out_); }

 private:
  Bytes out_;
};

/// `n` as a 4-byte wire length; kWireFieldTooLong when n >= 2^32.
Result<uint32_t> wire_length_u32(size_t n);

/// The UTF-8 bytes of a text, viewed as bytes.
inline std::span<const uint8_t> text_bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

}  // namespace vorn::registry
