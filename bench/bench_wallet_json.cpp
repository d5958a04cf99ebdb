// Canonical JSON, receipt id and envelope on a receipt-sized document.
#include <benchmark/benchmark.h>

#include <string>

#include "vorn/wallet/args.h"
#include "vorn/wallet/canonical.h"
#include "vorn/wallet/envelope.h"

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
  auto point = [&] { return w::g1_hex(w::PointW{word(), word()}); };
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
