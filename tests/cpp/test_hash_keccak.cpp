#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorn/bn254/curve.h"
#include "vorn/bn254/encoding.h"
#include "vorn/bn254/params.h"
#include "vorn/hash/keccak.h"
#include "vorn/hash/tags.h"
#include "vorn/hash/transcript.h"

using vorn::W;
namespace h = vorn::hash;

namespace {

W hexw(const char* hex) {
  W w;
  EXPECT_TRUE(vorn::w_from_hex64(hex, w)) << hex;
  return w;
}

const W kR = hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000001");
const W kEmptyDigest = hexw("c5d2460186f7233c927e7db2dcc703c0e500b653ca82273b7bfad8045d85a470");

// Big-endian subtraction a - b for a >= b (test-side arithmetic, independent of Fr).
W sub(W a, const W& b) {
  int borrow = 0;
  for (int i = 31; i >= 0; --i) {
    int d = int(a.b[i]) - int(b.b[i]) - borrow;
    borrow = d < 0;
    a.b[i] = uint8_t(d + (borrow ? 256 : 0));
  }
  return a;
}

// a mod r by repeated subtraction (r > 2^253, so at most five steps).
W mod_r(W a) {
  while (a.compare(kR) >= 0) a = sub(a, kR);
  return a;
}

std::vector<uint8_t> concat(const std::vector<W>& ws) {
  std::vector<uint8_t> out;
  for (const W& w : ws) out.insert(out.end(), w.b.begin(), w.b.end());
  return out;
}

}  // namespace

TEST(Keccak, KnownDigests) {
  // Ethereum Keccak-256, not SHA3-256 (whose empty digest is a7ffc6f8...).
  struct Case { std::string in; const char* hex; } cases[] = {
      {"", "c5d2460186f7233c927e7db2dcc703c0e500b653ca82273b7bfad8045d85a470"},
      {"abc", "4e03657aea45a94fc7d47ba826c8d667c0d1e6e33a64a036ec44f58fa12d6c45"},
      // The ERC-20 Transfer event topic and transfer selector, as every EVM tool has them.
      {"Transfer(address,address,uint256)", "ddf252ad1be2c89b69c2b068fc378daa952ba7f163c4a11628f55a4df523b3ef"},
      {"transfer(address,uint256)", "a9059cbb2ab09eb219583f4a59a5d0623ade346d962bcd4e46b11da047c9049b"},
  };
  for (const auto& c : cases) EXPECT_EQ(vorn::to_hex(h::keccak_raw(h::as_bytes(c.in))), c.hex) << c.in;
}

TEST(Keccak, PartsEqualTheConcatenationAcrossBlockBoundaries) {
  // The rate is 136 bytes: split points before, on and after a block boundary.
  std::string msg(400, '\0');
  for (size_t i = 0; i < msg.size(); ++i) msg[i] = char(i * 7 + 1);
  const W whole = h::keccak_raw(h::as_bytes(msg));
  for (size_t cut : {0u, 1u, 135u, 136u, 137u, 272u, 400u}) {
    std::string_view a(msg.data(), cut), b(msg.data() + cut, msg.size() - cut);
    EXPECT_EQ(h::keccak_parts({h::as_bytes(a), h::as_bytes(b)}), whole) << cut;
  }
}

TEST(Keccak, EmptyListsHashTheEmptyString) {
  EXPECT_EQ(h::keccak_words({}), kEmptyDigest);
  EXPECT_EQ(h::batch_commitment({}), kEmptyDigest);  // unreduced: the digest is above r
  ASSERT_GE(kEmptyDigest.compare(kR), 0);
  EXPECT_EQ(h::keccak_scalar({}), mod_r(kEmptyDigest));
}

TEST(Keccak, WordsArePaddedTo32BytesNotMinimalBytes) {
  // keccak_scalar([1]) hashes 31 zero bytes and 0x01, not the single byte 0x01.
  const W one = W::from_u64(1);
  uint8_t padded[32] = {0};
  padded[31] = 1;
  const uint8_t minimal[1] = {1};
  EXPECT_EQ(h::keccak_words({&one, 1}), h::keccak_raw(padded, 32));
  EXPECT_NE(h::keccak_words({&one, 1}), h::keccak_raw(minimal, 1));
}

TEST(Keccak, ScalarIsTheReducedBatchCommitment) {
  // Lists of growing length: whichever side of r the digest falls, the scalar is the
  // digest reduced and the batch commitment the digest itself.
  std::vector<W> ws;
  int above = 0, below = 0;
  for (uint64_t n = 0; n < 24; ++n) {
    const W raw = h::keccak_raw(concat(ws));
    EXPECT_EQ(h::batch_commitment(ws), raw);
    EXPECT_EQ(h::keccak_scalar(ws), mod_r(raw));
    (raw.compare(kR) >= 0 ? above : below)++;
    ws.push_back(W::from_u64(n * 0x9e3779b97f4a7c15ULL));
  }
  EXPECT_GT(above, 0);
  EXPECT_GT(below, 0);
}

TEST(Keccak, ReduceModR) {
  W all_ones;
  all_ones.b.fill(0xff);
  const W r_minus_1 = sub(kR, W::from_u64(1));
  struct Case { W in, out; } cases[] = {
      {W{}, W{}},
      {r_minus_1, r_minus_1},
      {kR, W{}},
      {hexw("30644e72e131a029b85045b68181585d2833e84879b9709143e1f593f0000002"), W::from_u64(1)},
      {all_ones, mod_r(all_ones)},
  };
  for (const auto& c : cases) EXPECT_EQ(h::reduce_mod_r(c.in), c.out) << vorn::to_hex(c.in);
}

TEST(Keccak, IdentityScalarPrefixesTheTagWithoutSeparator) {
  const std::string tag = "VeltriaVorn/Identity/Scalar/v2";
  for (std::string text : {std::string(), std::string("alice"), std::string("n\xc3\xa9" "e\n{\"k\":1}")}) {
    EXPECT_EQ(h::identity_scalar(text), mod_r(h::keccak_raw(h::as_bytes(tag + text)))) << text;
  }
  EXPECT_NE(h::identity_scalar("a"), h::identity_scalar("b"));
}

TEST(Tags, TableMatchesTheTagList) {
  struct Row { h::Tag tag; const char* text; size_t len; h::Absorb how; } rows[] = {
      {h::Tag::IdentityScalar, "VeltriaVorn/Identity/Scalar/v2", 30, h::Absorb::KeccakPrefix},
      {h::Tag::PedersenH, "VeltriaVorn/Pedersen/H/v2", 25, h::Absorb::KeccakPrefix},
      {h::Tag::IssuerSchnorr, "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerSchnorr/v2", 56, h::Absorb::Transcript},
      {h::Tag::Register, "VeltriaVorn/FiatShamir/IdentityRegistry/Register/v2", 51, h::Absorb::Transcript},
      {h::Tag::Approve, "VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2", 50, h::Absorb::Transcript},
      {h::Tag::VerifiableDecrypt, "VeltriaVorn/FiatShamir/Receipt/VerifiableDecrypt/v2", 51, h::Absorb::Transcript},
      {h::Tag::IdentityOpening, "VeltriaVorn/FiatShamir/IdentityRegistry/IdentityOpening/v2", 58, h::Absorb::Transcript},
      {h::Tag::IssuerReenc, "VeltriaVorn/FiatShamir/IdentityRegistry/IssuerReenc/v2", 54, h::Absorb::Transcript},
      {h::Tag::DepositorBinding, "VeltriaVorn/FiatShamir/IdentityRegistry/DepositorBinding/v2", 59, h::Absorb::Transcript},
      {h::Tag::NoteCommitment, "VeltriaVorn/Notes/Commitment/v2", 31, h::Absorb::Poseidon},
      {h::Tag::Nullifier, "VeltriaVorn/Notes/Nullifier/v2", 30, h::Absorb::Poseidon},
      {h::Tag::IdHash, "VeltriaVorn/Notes/IdHash/v2", 27, h::Absorb::Poseidon},
      {h::Tag::LeafIdentity, "VeltriaVorn/Accumulator/Leaf/Identity/v2", 40, h::Absorb::Poseidon},
      {h::Tag::LeafIdentitySalted, "VeltriaVorn/Accumulator/Leaf/IdentitySalted/v2", 46, h::Absorb::Poseidon},
      {h::Tag::LeafReceiving, "VeltriaVorn/Accumulator/Leaf/Receiving/v2", 41, h::Absorb::Poseidon},
      {h::Tag::LeafMailbox, "VeltriaVorn/Accumulator/Leaf/Mailbox/v2", 39, h::Absorb::Poseidon},
      {h::Tag::Salt, "VeltriaVorn/Accumulator/Salt/v2", 31, h::Absorb::Poseidon},
      {h::Tag::ReceivingKey, "VeltriaVorn/Notes/ReceivingKey/v2", 33, h::Absorb::KeccakPrefix},
      {h::Tag::PayloadWrap, "VeltriaVorn/Notes/PayloadWrap/v2", 32, h::Absorb::KeccakPrefix},
  };
  ASSERT_EQ(std::size(rows), h::kTagTable.size());
  for (const auto& row : rows) {
    const auto& def = h::tag_def(row.tag);
    EXPECT_EQ(def.text, row.text);
    EXPECT_EQ(def.text.size(), row.len) << row.text;
    EXPECT_EQ(def.absorb, row.how) << row.text;
    const W word = h::keccak_raw(h::as_bytes(def.text));
    EXPECT_EQ(h::tag_word(row.tag), word) << row.text;
    EXPECT_EQ(h::tag_scalar(row.tag), mod_r(word)) << row.text;
  }
}

TEST(Tags, TagWordsAreComputedOnce) {
  // The same storage is handed out on every call.
  EXPECT_EQ(&h::tag_word(h::Tag::Approve), &h::tag_word(h::Tag::Approve));
  EXPECT_EQ(&h::tag_scalar(h::Tag::Salt), &h::tag_scalar(h::Tag::Salt));
}

TEST(Tags, PrefixedKeccakStartsWithTheTagBytes) {
  const W a = W::from_u64(5), b = W::from_u64(6);
  std::string expect = "VeltriaVorn/Notes/ReceivingKey/v2";
  expect.append(reinterpret_cast<const char*>(a.data()), 32);
  expect.append(reinterpret_cast<const char*>(b.data()), 32);
  EXPECT_EQ(h::keccak_prefixed(h::Tag::ReceivingKey, {h::as_bytes(a), h::as_bytes(b)}),
            h::keccak_raw(h::as_bytes(expect)));
}

TEST(Transcript, LayoutIsItemsInOrderThenTheTagWord) {
  const W x = W::from_u64(11), y = W::from_u64(22), k = W::from_u64(33);
  W big;
  big.b.fill(0xff);  // appended unreduced
  h::Transcript tr(h::Tag::Approve);
  tr.w(k).p(x, y).w(big).p(W{}, W{});  // infinity as two zero words
  const std::vector<W> expect_items = {k, x, y, big, W{}, W{}};
  ASSERT_EQ(std::vector<W>(tr.words().begin(), tr.words().end()), expect_items);

  std::vector<W> all = expect_items;
  all.push_back(h::keccak_raw(h::as_bytes(std::string_view("VeltriaVorn/FiatShamir/IdentityRegistry/Approve/v2"))));
  const std::vector<uint8_t> bytes = concat(all);
  ASSERT_EQ(bytes.size(), 32u * 7);
  const W expect = mod_r(h::keccak_raw(bytes));
  EXPECT_EQ(tr.e(), expect);
  EXPECT_EQ(tr.e_fr().to_w(), expect);
  EXPECT_EQ(tr.e(), expect);  // drawing the challenge leaves the transcript as it was
}

TEST(Transcript, EmptyTranscriptHashesTheTagWordAlone) {
  const h::Transcript cases[] = {h::Transcript(h::Tag::IssuerSchnorr), h::Transcript(h::Tag::Register),
                                 h::Transcript(h::Tag::DepositorBinding)};
  for (const auto& tr : cases)
    EXPECT_EQ(tr.e(), mod_r(h::keccak_raw(h::as_bytes(h::tag_word(tr.tag()))))) << h::tag_text(tr.tag());
}

TEST(Transcript, AffinePointsEnterAsTheirWords) {
  const auto g = vorn::bn254::g1_generator();
  h::Transcript by_point(h::Tag::Register), by_words(h::Tag::Register);
  by_point.p(g).p(vorn::bn254::G1Affine::identity()).p(-g);
  by_words.p(W::from_u64(1), W::from_u64(2)).p(W{}, W{}).p(vorn::bn254::w_from_g1(-g));
  ASSERT_EQ(std::vector<W>(by_point.words().begin(), by_point.words().end()),
            std::vector<W>(by_words.words().begin(), by_words.words().end()));
  EXPECT_EQ(by_point.words().size(), 6u);
  EXPECT_EQ(by_point.e(), by_words.e());
}
