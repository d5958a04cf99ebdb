// Receipt id (SHA-256, base32) and the text envelope (base64url).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vorn/wallet/envelope.h"

using vorn::wallet::envelope_text;
using vorn::wallet::parse_envelope;
using vorn::wallet::receipt_id;

namespace {

const char* kMissing = "envelope: missing VV-RCPT/2. header or .END footer";
const char* kBad = "envelope: invalid base64url";

std::string parsed_or_error(std::string_view text) {
  auto r = parse_envelope(text);
  return r ? *r : "ERROR " + r.error().msg;
}

std::string all_bytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s.push_back(static_cast<char>(i));
  return s;
}

}  // namespace

TEST(ReceiptId, IsLowerBase32OfSha256) {
  // SHA-256("abc") = ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad;
  // SHA-256("") = e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855.
  const std::string abc = "xj4bnp4pahh6uqkbidpf3lrceoyagyndsylxvhfucd7wd4qacwwq";
  const std::string empty = "4oymiquy7qobjgx36tejs35zeqt24qpemsnzgtfeswmrw6csxbkq";
  struct Case { std::string in; uint64_t prefix; std::string out; } cases[] = {
      {"abc", 52, abc},
      {"abc", 12, abc.substr(0, 12)},
      {"abc", 0, ""},
      {"abc", 1, "x"},
      {"abc", 51, abc.substr(0, 51)},
      {"abc", 53, abc},
      {"abc", UINT64_MAX, abc},
      {"", 52, empty},
      {"", 12, empty.substr(0, 12)},
      {R"({"a":[true,null,"x"],"b":1})", 52, "kstfifnng4bcrbi2dwslgg3p2qw4lcyzuugtlsxhlezf644izzsa"},
  };
  for (auto& c : cases) EXPECT_EQ(receipt_id(c.in, c.prefix), c.out) << c.in << " " << c.prefix;
  EXPECT_EQ(receipt_id("abc"), abc.substr(0, 12));  // default prefix length 12
}

TEST(Envelope, ArmoursBase64UrlInLines) {
  struct Case { std::string in; uint64_t width; std::string out; } cases[] = {
      {"", 64, "VV-RCPT/2.\n\n.END"},
      {"", 0, "VV-RCPT/2.\n\n.END"},
      {"\xfb\xff\xfe", 2, "VV-RCPT/2.\n-_\n_-\n.END"},  // the two characters that differ from base64
      {"\xfb\xff\xfe", 0, "VV-RCPT/2.\n-\n_\n_\n-\n.END"},
      {"\xfb\xff\xfe", 4, "VV-RCPT/2.\n-__-\n.END"},
      {"\xfb\xff\xfe", UINT64_MAX, "VV-RCPT/2.\n-__-\n.END"},
      {"a", 64, "VV-RCPT/2.\nYQ\n.END"},      // final group of one byte: 2 characters
      {"ab", 64, "VV-RCPT/2.\nYWI\n.END"},    // of two bytes: 3 characters
      {"abc", 64, "VV-RCPT/2.\nYWJj\n.END"},
      {"abcd", 3, "VV-RCPT/2.\nYWJ\njZA\n.END"},
  };
  for (auto& c : cases) EXPECT_EQ(envelope_text(c.in, c.width), c.out) << c.width;
  EXPECT_EQ(envelope_text("abc"), envelope_text("abc", 64));

  // 49 bytes give 66 characters: a line of 64 and a line of 2.
  std::string t = envelope_text(std::string(49, 'x'), 64);
  auto first = t.find('\n'), second = t.find('\n', first + 1), third = t.find('\n', second + 1);
  EXPECT_EQ(second - first - 1, 64u);
  EXPECT_EQ(third - second - 1, 2u);
  EXPECT_EQ(t.substr(third + 1), ".END");

  // Every byte value, against Python's base64.urlsafe_b64encode without its "==".
  const std::string body =
      "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0-P0BBQkNERUZHSElKS0xNTk9Q"
      "UVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn-AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqbnJ2en6Ch"
      "oqOkpaanqKmqq6ytrq-wsbKztLW2t7i5uru8vb6_wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t_g4eLj5OXm5-jp6uvs7e7v8PHy"
      "8_T19vf4-fr7_P3-_w";
  EXPECT_EQ(envelope_text(all_bytes(), 1000), "VV-RCPT/2.\n" + body + "\n.END");
}

TEST(Envelope, RoundTripsEveryLengthAndWidth) {
  const std::string bytes = all_bytes();
  for (size_t len = 0; len <= 70; ++len) {
    std::string c = bytes.substr(37 * len % 180, len);
    for (uint64_t w : {0ull, 1ull, 2ull, 3ull, 4ull, 5ull, 63ull, 64ull, 65ull, 1000ull, ~0ull}) {
      auto r = parse_envelope(envelope_text(c, w));
      ASSERT_TRUE(r) << len << " " << w;
      EXPECT_EQ(*r, c) << len << " " << w;
    }
  }
  EXPECT_EQ(parsed_or_error(envelope_text(bytes, 7)), bytes);
}

TEST(Envelope, IgnoresEveryWhitespaceFormAndPadding) {
  const std::string payload = "{\"a\":1}";  // base64url eyJhIjoxfQ (10 characters)
  const char* spaces[] = {
      "\t", "\n", "\v", "\f", "\r", " ", "\r\n",
      "\xc2\x85",      // U+0085
      "\xc2\xa0",      // U+00A0
      "\xe1\x9a\x80",  // U+1680
      "\xe2\x80\x80", "\xe2\x80\x85", "\xe2\x80\x8a",  // U+2000, U+2005, U+200A
      "\xe2\x80\xa8", "\xe2\x80\xa9",  // U+2028, U+2029
      "\xe2\x80\xaf",  // U+202F
      "\xe2\x81\x9f",  // U+205F
      "\xe3\x80\x80",  // U+3000
  };
  for (const char* ws : spaces) {
    std::string body;
    for (char ch : std::string("eyJhIjoxfQ")) {
      body += ws;
      body += ch;
    }
    body += ws;
    EXPECT_EQ(parsed_or_error("VV-RCPT/2." + body + ".END"), payload) << ws;
  }
  struct Case { std::string text; std::string out; } cases[] = {
      {"VV-RCPT/2.\r\neyJhIjox\r\nfQ\r\n.END", payload},
      {"  VV-RCPT/2.\n    eyJhIjox\n    fQ\n  .END\n", payload},
      {"Dear Bob, here it is: VV-RCPT/2.\neyJhIjoxfQ\n.END -- regards, VV-RCPT/2. .END", payload},
      {"VV-RCPT/2.\neyJhIjoxfQ==\n.END", payload},
      {"VV-RCPT/2.\neyJhIjoxfQ = = \n=\n.END", payload},
      {"VV-RCPT/2.eyJhIjoxfQ.END", payload},
      {"VV-RCPT/2.\n\n.END", ""},
      {"VV-RCPT/2.====.END", ""},
      // A final group of 2 or 3 characters: its leftover low bits are ignored.
      {"VV-RCPT/2.AA.END", std::string(1, '\0')},
      {"VV-RCPT/2.AB.END", std::string(1, '\0')},
      {"VV-RCPT/2.AAB.END", std::string(2, '\0')},
      // The first header wins, and the first footer after it.
      {"VV-RCPT/2.YQ.END VV-RCPT/2.Yg.END", "a"},
      {".END VV-RCPT/2.YQ.END", "a"},
  };
  for (auto& c : cases) EXPECT_EQ(parsed_or_error(c.text), c.out) << c.text;
}

TEST(Envelope, ParseErrorsInOrder) {
  struct Case { std::string text; const char* error; } cases[] = {
      {"", kMissing},
      {"eyJhIjoxfQ", kMissing},
      {"VV-RCPT/2.eyJhIjoxfQ", kMissing},             // no footer
      {".END eyJhIjoxfQ VV-RCPT/2.", kMissing},       // footer only before the header
      {"VV-RCPT/2.END", kMissing},                    // the footer may not overlap the header
      {"vv-rcpt/2.eyJhIjoxfQ.END", kMissing},
      {"VV-RCPT/2.!!!!!", kMissing},                  // framing is checked before the body
      {"VV-RCPT/2.YWJjZ.END", kBad},                  // 5 characters: 5 mod 4 = 1
      {"VV-RCPT/2.YWJjZ==.END", kBad},                // the same after padding removal
      {"VV-RCPT/2.Y.END", kBad},
      {"VV-RCPT/2.YW+j.END", kBad},                   // "+" and "/" belong to base64, not base64url
      {"VV-RCPT/2.YW/j.END", kBad},
      {"VV-RCPT/2.YW=j.END", kBad},                   // "=" that is not trailing
      {"VV-RCPT/2.=YWJj.END", kBad},
      {"VV-RCPT/2.YW.j.END", kBad},
      {"VV-RCPT/2.YW\xc3\xa9j.END", kBad},            // non-ASCII letter
      {"VV-RCPT/2.YW\xe2\x80\x8bj.END", kBad},        // U+200B is not White_Space
      {"VV-RCPT/2.YW\xe1\xa0\x8ej.END", kBad},        // nor is U+180E
      {"VV-RCPT/2.YWJ\xffj.END", kBad},               // a byte that is not UTF-8
      {"VV-RCPT/2.YWJ\xc2.END", kBad},                // a truncated sequence
      {std::string("VV-RCPT/2.YW\0j.END", 18), kBad},
  };
  for (auto& c : cases) EXPECT_EQ(parsed_or_error(c.text), std::string("ERROR ") + c.error) << c.text;
}
