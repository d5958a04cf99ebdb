// The signatures, the encryption and the sigma proofs on decoded values (the
// kernel's own cost, without argument conversion): every prover and verifier.
#include <benchmark/benchmark.h>

#include "vorn/bn254/scalar_mul.h"
#include "vorn/crypto/b1_binding.h"
#include "vorn/crypto/chaum_pedersen.h"
#include "vorn/crypto/issuer_reenc.h"
#include "vorn/crypto/registration.h"
#include "vorn/crypto/schnorr.h"
#include "vorn/crypto/verifiable_decrypt.h"

using namespace vorn;
using namespace vorn::crypto;

namespace {

Fr sc(uint64_t seed) {
  const uint64_t l[4] = {seed * 0x9e3779b97f4a7c15ull, seed ^ 0xc2b2ae3d27d4eb4full, seed + 0x165667b19e3779f9ull,
                         seed * 0x27d4eb2f165667c5ull};
  return Fr::from_limbs_reduce(l);
}
G1Affine pt(uint64_t seed) { return bn254::g1_mul_gen_ct(sc(seed)).to_affine(); }
G2Affine pt2(uint64_t seed) { return bn254::g2_mul_ct(bn254::g2_generator(), sc(seed)).to_affine(); }

const Fr kSk = sc(1);
const G1Affine kPk = pt(1);
const G1Affine kM = pt(2);
const Ciphertext kCt = elgamal_encrypt(kM, kPk, sc(3));
const W kChain = W::from_u64(1), kAddr = W::from_u64(0xabc), kReg = W::from_u64(0xdef);

void BM_ElGamalEncrypt(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(elgamal_encrypt(kM, kPk, sc(3)));
}
BENCHMARK(BM_ElGamalEncrypt);

void BM_ElGamalDecrypt(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(elgamal_decrypt(kCt, kSk));
}
BENCHMARK(BM_ElGamalDecrypt);

void BM_PsVerify(benchmark::State& st) {
  const Fr x = sc(10), y = sc(11), m = sc(12);
  const G2Affine X = pt2(10), Y = pt2(11);
  const PsSignature s = ps_sign(x, y, m, sc(13));
  for (auto _ : st) benchmark::DoNotOptimize(ps_verify(X, Y, s, m));
}
BENCHMARK(BM_PsVerify);

void BM_IssuerSchnorrSign(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(issuer_schnorr_sign(kSk, kAddr, kAddr, kChain, sc(4)));
}
BENCHMARK(BM_IssuerSchnorrSign);

void BM_IssuerSchnorrVerify(benchmark::State& st) {
  const SchnorrSig s = issuer_schnorr_sign(kSk, kAddr, kAddr, kChain, sc(4));
  for (auto _ : st) benchmark::DoNotOptimize(issuer_schnorr_verify(kPk, s, kAddr, kAddr, kChain));
}
BENCHMARK(BM_IssuerSchnorrVerify);

struct Reg {
  G1Affine A, B;
  Ciphertext ct;
  G2Affine X, Y;
  RegistrationWitness wit;
  RegistrationProof proof;
  Reg() {
    const Fr x = sc(20), y = sc(21), m = sc(22), blind = sc(23), r = sc(24);
    const PsSignature s = ps_sign(x, y, m, sc(25));
    const PsPresentation p = ps_present(s, pt(21), sc(26), blind).value();
    A = p.A, B = p.B, X = pt2(20), Y = pt2(21);
    ct = elgamal_encrypt(pt(22), kPk, r);
    wit = {blind, m, r, kSk};
    proof = registration_prove(A, B, kPk, ct, wit, {sc(30), sc(31), sc(32), sc(33)}, kAddr, kChain, kReg);
  }
};

void BM_RegistrationProve(benchmark::State& st) {
  const Reg g;
  for (auto _ : st)
    benchmark::DoNotOptimize(
        registration_prove(g.A, g.B, kPk, g.ct, g.wit, {sc(30), sc(31), sc(32), sc(33)}, kAddr, kChain, kReg));
}
BENCHMARK(BM_RegistrationProve);

void BM_RegistrationVerify(benchmark::State& st) {  // decoded keys: no G2 subgroup tests here
  const Reg g;
  for (auto _ : st)
    benchmark::DoNotOptimize(registration_verify(g.A, g.B, g.ct, kPk, g.X, g.Y, g.proof, kAddr, kChain, kReg));
}
BENCHMARK(BM_RegistrationVerify);

void BM_ChaumPedersenProve(benchmark::State& st) {
  const G1Affine pk_b = pt(40);
  const Ciphertext eb = elgamal_encrypt(kM, pk_b, sc(41));
  const CpContext ctx{kAddr, kAddr, kChain, kReg};
  for (auto _ : st)
    benchmark::DoNotOptimize(chaum_pedersen_prove(kCt, eb, kPk, pk_b, kSk, sc(41), ctx, sc(42), sc(43)));
}
BENCHMARK(BM_ChaumPedersenProve);

void BM_ChaumPedersenVerify(benchmark::State& st) {
  const G1Affine pk_b = pt(40);
  const Ciphertext eb = elgamal_encrypt(kM, pk_b, sc(41));
  const CpContext ctx{kAddr, kAddr, kChain, kReg};
  const CpProof p = chaum_pedersen_prove(kCt, eb, kPk, pk_b, kSk, sc(41), ctx, sc(42), sc(43));
  for (auto _ : st) benchmark::DoNotOptimize(chaum_pedersen_verify(kCt, eb, kPk, pk_b, p, ctx));
}
BENCHMARK(BM_ChaumPedersenVerify);

void BM_VerifiableDecryptProve(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(verifiable_decrypt_prove(kCt, kSk, kM, kAddr, kChain, sc(50)));
}
BENCHMARK(BM_VerifiableDecryptProve);

void BM_VerifiableDecryptVerify(benchmark::State& st) {
  const VdProof p = verifiable_decrypt_prove(kCt, kSk, kM, kAddr, kChain, sc(50));
  for (auto _ : st) benchmark::DoNotOptimize(verifiable_decrypt_verify(kCt, kPk, kM, p, kAddr, kChain));
}
BENCHMARK(BM_VerifiableDecryptVerify);

struct Reenc {
  G1Affine pk_rec = pt(60);
  Ciphertext e_iss = elgamal_encrypt(kM, pk_rec, sc(61));
  IssuerReencWitness wit{kSk, sc(61), pk_rec, sc(62), sc(63)};
  IssuerReencNonces nonces{sc(64), sc(65), sc(66), sc(67)};
};

void BM_IssuerReencProve(benchmark::State& st) {
  const Reenc g;
  for (auto _ : st) benchmark::DoNotOptimize(issuer_reenc_prove(g.wit, kCt, g.e_iss, kAddr, kChain, g.nonces));
}
BENCHMARK(BM_IssuerReencProve);

void BM_IssuerReencVerify(benchmark::State& st) {
  const Reenc g;
  const IssuerReencProof p = issuer_reenc_prove(g.wit, kCt, g.e_iss, kAddr, kChain, g.nonces).value();
  for (auto _ : st) benchmark::DoNotOptimize(issuer_reenc_verify(kPk, kCt, g.e_iss, p, kAddr, kChain));
}
BENCHMARK(BM_IssuerReencVerify);

struct Bind {
  Fr m = sc(70);
  Ciphertext e_dep = elgamal_encrypt(pt(70), kPk, sc(71));
  G1Affine pk_iss = pt(72);
  B1BindWitness wit{m, kSk, sc(73), sc(74)};
  B1BindNonces nonces{sc(75), sc(76), sc(77), sc(78)};
};

void BM_B1BindProve(benchmark::State& st) {
  const Bind g;
  for (auto _ : st) benchmark::DoNotOptimize(b1_bind_prove(g.wit, g.e_dep, g.pk_iss, kAddr, kChain, g.nonces));
}
BENCHMARK(BM_B1BindProve);

void BM_B1BindVerify(benchmark::State& st) {
  const Bind g;
  const B1Binding b = b1_bind_prove(g.wit, g.e_dep, g.pk_iss, kAddr, kChain, g.nonces).value();
  for (auto _ : st)
    benchmark::DoNotOptimize(b1_bind_verify(kPk, g.e_dep, g.pk_iss, b.e_dep_for_iss, b.proof, kAddr, kChain));
}
BENCHMARK(BM_B1BindVerify);

}  // namespace
