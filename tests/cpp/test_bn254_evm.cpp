// The Ethereum precompile vectors (ecAdd, ecMul, ecPairing) through the word-level
// primitives. The EVM writes each G2 coordinate imaginary part first; the kernel
// takes the real part first, so each pair of words is swapped on the way in.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "vorn/bn254/ops.h"

using namespace vorn;
using namespace vorn::bn254;

namespace {

struct Vector {
  std::string name;
  std::vector<uint8_t> input, expected;
};

std::vector<uint8_t> unhex(const std::string& s) {
  std::vector<uint8_t> out(s.size() / 2);
  for (size_t i = 0; i < out.size(); ++i) out[i] = (uint8_t)std::stoi(s.substr(2 * i, 2), nullptr, 16);
  return out;
}

std::vector<Vector> load(const char* file) {
  std::ifstream in(std::string(VORN_VECTORS_DIR) + "/evm/" + file);
  std::stringstream ss;
  ss << in.rdbuf();
  rapidjson::Document doc;
  doc.Parse(ss.str().c_str());
  std::vector<Vector> out;
  if (doc.HasParseError() || !doc.IsArray()) return out;
  for (const auto& v : doc.GetArray())
    out.push_back({v["Name"].GetString(), unhex(v["Input"].GetString()), unhex(v["Expected"].GetString())});
  return out;
}

// The input as the EVM reads it: right-padded with zeros (or truncated) to n bytes.
std::vector<uint8_t> padded(const std::vector<uint8_t>& in, size_t n) {
  std::vector<uint8_t> out(n, 0);
  for (size_t i = 0; i < n && i < in.size(); ++i) out[i] = in[i];
  return out;
}

G1Words g1_words(const uint8_t* p) { return {W::from_bytes(p), W::from_bytes(p + 32)}; }

// EVM order x.c1, x.c0, y.c1, y.c0 -> kernel order x.c0, x.c1, y.c0, y.c1.
G2Words g2_words_from_evm(const uint8_t* p) {
  return {W::from_bytes(p + 32), W::from_bytes(p), W::from_bytes(p + 96), W::from_bytes(p + 64)};
}

std::vector<uint8_t> bytes(const G1Words& w) {
  std::vector<uint8_t> out(w[0].b.begin(), w[0].b.end());
  out.insert(out.end(), w[1].b.begin(), w[1].b.end());
  return out;
}

TEST(EvmVectors, Add) {
  auto vs = load("bn256Add.json");
  ASSERT_EQ(vs.size(), 16u);
  for (auto& v : vs) {
    auto in = padded(v.input, 128);
    auto r = g1_add(g1_words(in.data()), g1_words(in.data() + 64));
    ASSERT_TRUE(r.ok()) << v.name << ": " << r.error().msg;
    EXPECT_EQ(bytes(*r), v.expected) << v.name;
  }
}

TEST(EvmVectors, ScalarMul) {
  auto vs = load("bn256ScalarMul.json");
  ASSERT_EQ(vs.size(), 19u);
  for (auto& v : vs) {
    auto in = padded(v.input, 96);
    auto r = g1_mul(g1_words(in.data()), W::from_bytes(in.data() + 64));
    ASSERT_TRUE(r.ok()) << v.name << ": " << r.error().msg;
    EXPECT_EQ(bytes(*r), v.expected) << v.name;
  }
}

TEST(EvmVectors, Pairing) {
  auto vs = load("bn256Pairing.json");
  ASSERT_EQ(vs.size(), 14u);
  for (auto& v : vs) {
    ASSERT_EQ(v.input.size() % 192, 0u) << v.name;
    std::vector<PairingWords> pairs;
    for (size_t off = 0; off < v.input.size(); off += 192)
      pairs.emplace_back(g1_words(v.input.data() + off), g2_words_from_evm(v.input.data() + off + 64));
    auto r = pairing_check(pairs);
    ASSERT_TRUE(r.ok()) << v.name << ": " << r.error().msg;
    ASSERT_EQ(v.expected.size(), 32u);
    EXPECT_EQ(*r, v.expected[31] == 1) << v.name;
  }
}

}  // namespace
