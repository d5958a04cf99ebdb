#include "vorn/wallet/envelope.h"

#include <cryptopp/sha.h>

#include <algorithm>
#include <array>

namespace vorn::wallet {

namespace {

constexpr char kBase32Lower[] = "abcdefghijklmnopqrstuvwxyz234567";
constexpr char kBase64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Value of a base64url character, or -1.
constexpr std::array<int8_t, 256> make_base64url_table() {
  std::array<int8_t, 256> t{};
  for (auto& x : t) x = -1;
  for (int i = 0; i < 64; ++i) t[static_cast<uint8_t>(kBase64Url[i])] = static_cast<int8_t>(i);
  return t;
}
constexpr std::array<int8_t, 256> kBase64UrlValue = make_base64url_table();

// The Unicode White_Space property.
bool is_white_space(uint32_t cp) {
  return (cp >= 0x09 && cp <= 0x0D) || cp == 0x20 || cp == 0x85 || cp == 0xA0 || cp == 0x1680 ||
         (cp >= 0x2000 && cp <= 0x200A) || cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F ||
         cp == 0x3000;
}

// Decodes one well-formed UTF-8 sequence at s[i]; returns its length (0 when the
// bytes there are not a well-formed sequence) and its code point.
size_t decode_utf8(std::string_view s, size_t i, uint32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  uint8_t b0 = byte(i);
  size_t len;
  uint32_t min;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string receipt_id(std::string_view canonical, uint64_t prefix_len) {
  uint8_t digest[CryptoPP::SHA256::DIGESTSIZE];
  CryptoPP::SHA256().CalculateDigest(digest, reinterpret_cast<const CryptoPP::byte*>(canonical.data()),
                                     canonical.size());
  // 256 bits, most significant first, 5 bits per character: 51 full characters
  // and a last one holding 1 bit followed by 4 zero bits.
  std::string id;
  id.reserve(52);
  uint32_t acc = 0;
  int bits = 0;
  for (uint8_t b : digest) {
    acc = acc << 8 | b;
    bits += 8;
    while (bits >= 5) {
      bits -= 5;
      id.push_back(kBase32Lower[(acc >> bits) & 31]);
    }
  }
  if (bits > 0) id.push_back(kBase32Lower[(acc << (5 - bits)) & 31]);
  if (prefix_len < id.size()) id.resize(static_cast<size_t>(prefix_len));
  return id;
}

std::string envelope_text(std::string_view canonical, uint64_t width) {
  std::string body;
  body.reserve((canonical.size() * 4 + 2) / 3);
  size_t i = 0;
  const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(canonical[k])); };
  for (; i + 3 <= canonical.size(); i += 3) {
    uint32_t v = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    for (int s = 18; s >= 0; s -= 6) body.push_back(kBase64Url[(v >> s) & 63]);
  }
  if (size_t rest = canonical.size() - i; rest > 0) {
    uint32_t v = byte(i) << 16 | (rest == 2 ? byte(i + 1) << 8 : 0);
    body.push_back(kBase64Url[(v >> 18) & 63]);
    body.push_back(kBase64Url[(v >> 12) & 63]);
    if (rest == 2) body.push_back(kBase64Url[(v >> 6) & 63]);
  }

  const size_t w = width == 0 ? 1 : static_cast<size_t>(std::min<uint64_t>(width, body.size() + 1));
  std::string out;
  out.reserve(ENVELOPE_HEADER.size() + ENVELOPE_FOOTER.size() + body.size() + body.size() / w + 2);
  out += ENVELOPE_HEADER;
  out.push_back('\n');
  for (size_t pos = 0; pos < body.size(); pos += w) {
    if (pos != 0) out.push_back('\n');
    out.append(body, pos, w);
  }
  out.push_back('\n');
  out += ENVELOPE_FOOTER;
  return out;
}

Result<std::string> parse_envelope(std::string_view text) {
  const size_t head = text.find(ENVELOPE_HEADER);
  if (head == std::string_view::npos) return IdError{std::string(kEnvelopeMissingFrame)};
  const size_t start = head + ENVELOPE_HEADER.size();
  const size_t foot = text.find(ENVELOPE_FOOTER, start);
  if (foot == std::string_view::npos) return IdError{std::string(kEnvelopeMissingFrame)};
  const std::string_view inner = text.substr(start, foot - start);

  // Drop whitespace; keep every other byte (a byte that does not start a
  // well-formed UTF-8 sequence is kept too, and refused below).
  std::string body;
  body.reserve(inner.size());
  for (size_t i = 0; i < inner.size();) {
    const char c = inner[i];
    if (static_cast<uint8_t>(c) < 0x80) {  // ASCII fast path
      if (!is_white_space(static_cast<uint8_t>(c))) body.push_back(c);
      ++i;
      continue;
    }
    uint32_t cp = 0;
    size_t len = decode_utf8(inner, i, cp);
    if (len == 0) {
      body.push_back(inner[i++]);
      continue;
    }
    if (!is_white_space(cp)) body.append(inner, i, len);
    i += len;
  }
  while (!body.empty() && body.back() == '=') body.pop_back();
  if (body.size() % 4 == 1) return IdError{std::string(kEnvelopeInvalidBase64)};

  const size_t full = body.size() / 4, rest = body.size() % 4;
  std::string out(full * 3 + (rest ? rest - 1 : 0), '\0');
  const auto value = [&](size_t k) { return kBase64UrlValue[static_cast<uint8_t>(body[k])]; };
  size_t o = 0;
  for (size_t g = 0; g < full; ++g) {
    const int8_t a = value(4 * g), b = value(4 * g + 1), c = value(4 * g + 2), d = value(4 * g + 3);
    if ((a | b | c | d) < 0) return IdError{std::string(kEnvelopeInvalidBase64)};
    const uint32_t v = uint32_t(a) << 18 | uint32_t(b) << 12 | uint32_t(c) << 6 | uint32_t(d);
    out[o++] = static_cast<char>(v >> 16);
    out[o++] = static_cast<char>(v >> 8);
    out[o++] = static_cast<char>(v);
  }
  if (rest) {
    uint32_t v = 0;
    for (size_t k = 0; k < rest; ++k) {
      const int8_t x = value(4 * full + k);
      if (x < 0) return IdError{std::string(kEnvelopeInvalidBase64)};
      v |= uint32_t(x) << (18 - 6 * k);
    }
    out[o++] = static_cast<char>(v >> 16);
    if (rest == 3) out[o++] = static_cast<char>(v >> 8);
  }
  // A final group of 2 or 3 characters leaves 4 or 2 low bits over; they are ignored.
  return out;
}

}  // namespace vorn::wallet
