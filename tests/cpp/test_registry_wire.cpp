// The wire reader's bounds and the UTF-8 check that the certificate texts pass.
#include <gtest/gtest.h>

#include <bitset>
#include <memory>
#include <string>
#include <vector>

#include "vorn/registry/wire.h"

using namespace vorn;
using namespace vorn::registry;

namespace {

std::vector<uint8_t> from_hex(std::string_view hex) {
  std::vector<uint8_t> out;
  auto nib = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  for (size_t i = 0; i < hex.size();) {
    if (hex[i] == ' ') { ++i; continue; }
    out.push_back(static_cast<uint8_t>(nib(hex[i]) << 4 | nib(hex[i + 1])));
    i += 2;
  }
  return out;
}

}  // namespace

// Expected answers are those of CPython's strict `bytes.decode("utf-8")`.
TEST(Utf8, AgreesWithAStrictDecoderOnTheClassicBoundaryCases) {
  struct Case { const char* hex; bool valid; } cases[] = {
      {"", true}, {"41", true}, {"7f", true}, {"80", false}, {"bf", false},
      // two bytes: C0/C1 are overlong leads
      {"c0 80", false}, {"c1 bf", false}, {"c2 80", true}, {"df bf", true},
      {"c2", false}, {"c2 41", false}, {"c2 c0", false},
      // three bytes: E0 overlongs, ED surrogates
      {"e0 80 80", false}, {"e0 9f bf", false}, {"e0 a0 80", true}, {"e1 80 80", true}, {"ec bf bf", true},
      {"ed 80 80", true}, {"ed 9f bf", true}, {"ed a0 80", false}, {"ed bf bf", false},
      {"ee 80 80", true}, {"ef bf bf", true}, {"ef bf", false}, {"e1 80 41", false},
      // four bytes: F0 overlongs, F4 limit U+10FFFF, F5.. never
      {"f0 80 80 80", false}, {"f0 8f bf bf", false}, {"f0 90 80 80", true}, {"f3 bf bf bf", true},
      {"f4 8f bf bf", true}, {"f4 90 80 80", false}, {"f5 80 80 80", false}, {"f8 88 80 80 80", false},
      {"fe", false}, {"ff", false}, {"f0 90 80", false}, {"f0 90 80 41", false},
      // sequences: a truncated character at the end, a surrogate pair (CESU-8)
      {"ce b1 41", true}, {"41 ce", false}, {"ed a0 80 ed b0 80", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_valid_utf8(from_hex(c.hex)), c.valid) << c.hex;
}

// Every buffer of one to three bytes is valid exactly when it splits into canonical
// encodings of Unicode scalar values. The oracle encodes all scalar values below
// U+10000 (the encoder is the textbook one, independent of the validator).
TEST(Utf8, ExhaustiveUpToThreeBytesAgainstAnEncoder) {
  std::bitset<256> enc1;
  auto enc2 = std::make_unique<std::bitset<1 << 16>>();
  auto enc3 = std::make_unique<std::bitset<1 << 24>>();
  for (uint32_t cp = 0; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    if (cp < 0x80) {
      enc1.set(cp);
    } else if (cp < 0x800) {
      enc2->set((0xC0 | cp >> 6) << 8 | (0x80 | (cp & 0x3F)));
    } else {
      enc3->set((0xE0 | cp >> 12) << 16 | (0x80 | (cp >> 6 & 0x3F)) << 8 | (0x80 | (cp & 0x3F)));
    }
  }
  auto valid2 = [&](uint32_t a, uint32_t b) { return (enc1[a] && enc1[b]) || (*enc2)[a << 8 | b]; };
  for (uint32_t a = 0; a < 256; ++a) {
    uint8_t one[1] = {uint8_t(a)};
    ASSERT_EQ(is_valid_utf8(one), bool(enc1[a])) << a;
    for (uint32_t b = 0; b < 256; ++b) {
      uint8_t two[2] = {uint8_t(a), uint8_t(b)};
      ASSERT_EQ(is_valid_utf8(two), valid2(a, b)) << a << ' ' << b;
      for (uint32_t c = 0; c < 256; ++c) {
        uint8_t three[3] = {uint8_t(a), uint8_t(b), uint8_t(c)};
        const bool expect = (enc1[a] && valid2(b, c)) || ((*enc2)[a << 8 | b] && enc1[c]) ||
                            (*enc3)[a << 16 | b << 8 | c];
        ASSERT_EQ(is_valid_utf8(three), expect) << a << ' ' << b << ' ' << c;
      }
    }
  }
}

TEST(WireReader, ReadsBigEndianAndTwosComplement) {
  const auto in = from_hex("01020304 fffffffffffffffe 8000000000000000 ffffffffffffffff");
  WireReader r(in);
  EXPECT_EQ(*r.u32(), 0x01020304u);
  EXPECT_EQ(*r.i64(), -2);
  EXPECT_EQ(*r.i64(), INT64_MIN);
  EXPECT_EQ(*r.u64(), UINT64_MAX);
  EXPECT_EQ(r.remaining(), 0u);
}

// Stated lengths near 2^32 (and near SIZE_MAX for raw reads) must fail cleanly: a
// reader that computed `pos + len` could wrap and read outside its input.
TEST(WireReader, HugeStatedLengthsFailWithoutReadingPastTheInput) {
  const uint32_t lengths[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0xFFFFFFFFu - 3, 5};
  for (uint32_t len : lengths) {
    std::vector<uint8_t> in = {uint8_t(len >> 24), uint8_t(len >> 16), uint8_t(len >> 8), uint8_t(len), 'a', 'b', 'c', 'd'};
    WireReader r(in);
    auto t = r.text_u32();
    ASSERT_FALSE(t.ok()) << len;
    EXPECT_EQ(t.error().msg, kWireTruncated);
    EXPECT_EQ(r.pos(), 0u) << "a failed read leaves the position unchanged";
  }
  std::vector<uint8_t> in(10, 0);
  WireReader r(in);
  ASSERT_TRUE(r.bytes(3).ok());
  for (size_t n : {SIZE_MAX, SIZE_MAX - 2, size_t(8)}) {
    auto b = r.bytes(n);
    ASSERT_FALSE(b.ok());
    EXPECT_EQ(b.error().msg, kWireTruncated);
    EXPECT_EQ(r.pos(), 3u);
  }
  EXPECT_TRUE(r.bytes(7).ok());
  EXPECT_FALSE(r.u32().ok());
}

TEST(WireReader, TextChecksLengthBeforeEncoding) {
  struct Case { const char* hex; const char* err; const char* text; } cases[] = {
      {"00000000", nullptr, ""},
      {"00000002 ceb1", nullptr, "\xce\xb1"},
      {"00000002 ceb1 ff", nullptr, "\xce\xb1"},  // the byte after the text is not read
      {"000000", kWireTruncated, nullptr},         // length field itself cut short
      {"00000003 ceb1", kWireTruncated, nullptr},  // text cut short
      {"00000003 ffff", kWireTruncated, nullptr},  // cut short and invalid: truncation wins
      {"00000001 ce", kWireInvalidUtf8, nullptr},  // character cut by the stated length
      {"00000002 c080", kWireInvalidUtf8, nullptr},
  };
  for (const auto& c : cases) {
    const auto in = from_hex(c.hex);
    WireReader r(in);
    auto t = r.text_u32();
    if (c.err) {
      ASSERT_FALSE(t.ok()) << c.hex;
      EXPECT_EQ(t.error().msg, c.err) << c.hex;
    } else {
      ASSERT_TRUE(t.ok()) << c.hex;
      EXPECT_EQ(*t, c.text);
    }
  }
}

TEST(WireWriter, LengthFieldRefusesWhatItCannotHold) {
  EXPECT_EQ(*wire_length_u32(0), 0u);
  EXPECT_EQ(*wire_length_u32(0xFFFFFFFFu), 0xFFFFFFFFu);
  auto over = wire_length_u32(size_t(1) << 32);
  ASSERT_FALSE(over.ok());
  EXPECT_EQ(over.error().msg, kWireFieldTooLong);

  WireWriter w;
  w.u32(0x01020304);
  w.u64(0x05060708090a0b0cull);
  w.i64(-1);
  ASSERT_TRUE(w.bytes_u32(text_bytes("hi")).ok());
  EXPECT_EQ(w.out(), from_hex("01020304 05060708090a0b0c ffffffffffffffff 00000002 6869"));
}
