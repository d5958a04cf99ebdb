// Canonical JSON, receipt id and envelope on a receipt-sized document.
#include <benchmark/benchmark.h>

#include <span>
#include <string>
#include <string_view>

#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/envelope.h"
#include "vorn/wallet/records.h"

namespace w = vorn::wallet;

namespace {

// A note receipt's shape: parties with points and ciphertexts, a transaction, a
// proof record with a commitment batch and verifiable-decryption legs (~6 KB).
std::string receipt_text() {
  uint64_t seed = 1;
  auto word = [&] {
    vorn::W x;
    for (auto& b : x.b) b = static_cast<uint8_t>((seed = seed * 6364136223846793005ull + 1442695040888963407ull) >> 56);
    return x;
  };
  auto point = [&] { return w::g1_hex(w::G1Words{word(), word()}); };
  auto ct = [&] { return w::ct_hex(w::CiphertextW{{word(), word()}, {word(), word()}}); };
  auto vd = [&] {
    w::Json r = w::Json::object();
    r.set("E_ct", ct());
    r.set("M_named", point());
    r.set("account", w::Json::string(w::scalar_hex(word())));
    r.set("chainid", w::Json::number_u64(31337));
    w::Json p = w::Json::object();
    p.set("e", w::Json::string(w::scalar_hex(word())));
    p.set("s", w::Json::string(w::scalar_hex(word())));
    p.set("T1", point());
    p.set("T2", point());
    r.set("proof", std::move(p));
    return r;
  };
  auto party = [&](const char* kind) {
    w::Json p = w::Json::object();
    p.set("kind", w::Json::string(kind));
    p.set("addr", w::Json::string(w::scalar_hex(word())));
    p.set("identity", w::Json::string(R"({"country":"NL","name":"Ann \"A\" Example"})"));
    p.set("M", point());
    p.set("pk", point());
    p.set("E_addr", ct());
    return p;
  };
  w::Json r = w::Json::object();
  r.set("v", w::Json::number_u64(1));
  r.set("type", w::Json::string("note-a1"));
  r.set("chainid", w::Json::number_u64(31337));
  r.set("payer", party("public"));
  r.set("payee", party("private"));
  w::Json txn = w::Json::object();
  txn.set("value", w::Json::number_u128(~w::U128(0)));
  txn.set("txhash", w::Json::string(w::hex_w(word())));
  r.set("txn", std::move(txn));
  w::Json cms = w::Json::array();
  for (int i = 0; i < 16; ++i) cms.push(w::Json::string(w::scalar_hex(word())));
  w::Json proof = w::Json::object();
  proof.set("cms", std::move(cms));
  r.set("proof", std::move(proof));
  w::Json note = w::Json::object();
  note.set("eNote", ct());
  note.set("eRec", ct());
  note.set("vdNote", vd());
  note.set("vdRec", vd());
  r.set("note", std::move(note));
  r.set("payee_vd", vd());
  return w::compact_json(r);
}

const std::string& receipt() {
  static const std::string text = receipt_text();
  return text;
}

void BM_CanonicalJson(benchmark::State& state) {
  const std::string& text = receipt();
  for (auto _ : state) benchmark::DoNotOptimize(w::canonical_json(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CanonicalJson);

void BM_ParseArgs(benchmark::State& state) {
  const std::string& text = receipt();
  for (auto _ : state) benchmark::DoNotOptimize(w::parse_args(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseArgs);

// A registry tree record of 2^16 random leaves ({"tree": {"depth", "leaves"}}, about
// 4.4 MB) parsed and read as a tree (tree_from: the depth-20 zeros table included):
// with the leaves as ordinary values, and read straight into words as the
// tree-backed calls read them.
const std::string& registry_text() {
  static const std::string text = [] {
    uint64_t seed = 7;
    std::string t = "{\"tree\": {\"depth\": 20, \"leaves\": [";
    for (size_t i = 0; i < (size_t{1} << 16); ++i) {
      vorn::W x;
      for (auto& b : x.b) b = static_cast<uint8_t>((seed = seed * 6364136223846793005ull + 1442695040888963407ull) >> 56);
      if (i) t += ", ";
      t += "\"" + w::hex_w(x) + "\"";
    }
    return t + "]}}";
  }();
  return text;
}

void BM_ParseRegistry(benchmark::State& state) {
  static constexpr std::string_view kTreeLeaves[] = {"tree", "leaves"};
  static constexpr std::span<const std::string_view> kPaths[] = {kTreeLeaves};
  const bool words = state.range(0) != 0;
  const std::string& text = registry_text();
  for (auto _ : state) {
    const auto args = words ? w::parse_args(text, kPaths) : w::parse_args(text);
    auto tree = w::tree_from(*args->find("tree"));
    benchmark::DoNotOptimize(tree);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseRegistry)->ArgName("words")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_WriteCanonical(benchmark::State& state) {
  const w::Json v = *w::parse_json(receipt());
  for (auto _ : state) benchmark::DoNotOptimize(w::canonical_json_value(v));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * receipt().size()));
}
BENCHMARK(BM_WriteCanonical);

void BM_ReceiptId(benchmark::State& state) {
  const std::string& text = receipt();
  for (auto _ : state) benchmark::DoNotOptimize(w::receipt_id(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReceiptId);

void BM_EnvelopeText(benchmark::State& state) {
  const std::string& text = receipt();
  for (auto _ : state) benchmark::DoNotOptimize(w::envelope_text(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_EnvelopeText);

void BM_ParseEnvelope(benchmark::State& state) {
  const std::string env = w::envelope_text(receipt());
  for (auto _ : state) benchmark::DoNotOptimize(w::parse_envelope(env));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * receipt().size()));
}
BENCHMARK(BM_ParseEnvelope);

}  // namespace
