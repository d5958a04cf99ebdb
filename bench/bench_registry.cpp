// Certificate wire reading, the identity invariant, signing, verifying, sealing and
// the issuance gate.
#include <benchmark/benchmark.h>

#include "vorn/bn254/scalar_mul.h"
#include "vorn/registry/certificate_ops.h"
#include "vorn/registry/issuance.h"

using namespace vorn;
using namespace vorn::registry;

namespace {

const W kSk = W::from_u64(0x1b6f8e3a2c4d5e6full);
const W kK = W::from_u64(0x0a1b2c3d4e5f6071ull);
const W kChain = W::from_u64(1);
const W kClientSk = W::from_u64(0xc0ffee);

Bytes signed_wire() { return *registry_sign_certificate(kSk, "registry.vorn/eu-1", "alice|1990-01-01|NL", 7, 0, 1, kChain, kK); }

void BM_ReadSignedWire(benchmark::State& st) {
  const Bytes wire = signed_wire();
  for (auto _ : st) benchmark::DoNotOptimize(read_signed_certificate(wire));
}
BENCHMARK(BM_ReadSignedWire);

void BM_ParseSignedWire(benchmark::State& st) {  // read + identity invariant
  const Bytes wire = signed_wire();
  for (auto _ : st) benchmark::DoNotOptimize(parse_signed_certificate(wire));
}
BENCHMARK(BM_ParseSignedWire);

void BM_SignCertificate(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(signed_wire());
}
BENCHMARK(BM_SignCertificate);

void BM_VerifyCertificate(benchmark::State& st) {
  const SignedCertificate sc = *parse_signed_certificate(signed_wire());
  for (auto _ : st) benchmark::DoNotOptimize(registry_verify_certificate(sc, kChain));
}
BENCHMARK(BM_VerifyCertificate);

void BM_SealCertificate(benchmark::State& st) {
  const SignedCertificate sc = *parse_signed_certificate(signed_wire());
  const G1Words pk = identity_point("client");  // any valid point serves as a key
  for (auto _ : st) benchmark::DoNotOptimize(seal_certificate(sc, pk, kK));
}
BENCHMARK(BM_SealCertificate);

void BM_UnsealCertificate(benchmark::State& st) {
  const SignedCertificate sc = *parse_signed_certificate(signed_wire());
  const G1Words pk = bn254::w_from_g1(bn254::g1_mul_gen_ct(bn254::fr_from_w_reduce(kClientSk)));
  const SealedCertificate sealed = *read_sealed_certificate(*seal_certificate(sc, pk, kK));
  for (auto _ : st) benchmark::DoNotOptimize(unseal_certificate(sealed, kClientSk));
}
BENCHMARK(BM_UnsealCertificate);

void BM_IssuanceGate(benchmark::State& st) {
  InsurerEnvelopeItems items;
  items.good_standing = true;
  items.face_band = 8;
  items.dep_models = {0, 1, 2};
  items.max_dep_rate = items.max_premium_rate = 1000;
  items.expiry = 1e12;
  for (uint64_t i = 0; i < 64; ++i) items.scopes.push_back(W::from_u64(i * 7919));
  const W scope = W::from_u64(63 * 7919);
  for (auto _ : st) {
    auto env = InsurerEnvelope::build(items);
    benchmark::DoNotOptimize(check_issuance(*env, scope, 123456789, 2, 1000, 1000, 1e9));
  }
}
BENCHMARK(BM_IssuanceGate);

}  // namespace
