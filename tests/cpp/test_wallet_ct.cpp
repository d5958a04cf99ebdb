// The secret paths of the kernel above the field layer, run with every secret marked
// undefined for valgrind's memcheck (test_bn254_ct does the same for the scalar
// multiplications themselves). Under
//   valgrind --error-exitcode=1 --track-origins=yes build/<dir>/test_wallet_ct
// memcheck fails the run at the first conditional jump or memory index that
// depends on a secret. Each path marks its secrets undefined, runs, marks the
// values the protocol publishes defined again, and only then checks them against
// the variable-time verifiers or the plain primitives; a failed witness check is
// published as an error, so its outcome is declassified by the kernel itself
// (vorn/core/ct.h). Without valgrind the client requests do nothing and the test
// checks that each path still gives the right answer.
//
// Covered: ElGamal encryption and decryption; PS signing, re-randomisation and
// presentation; the issuer and registry Schnorr signers; the five provers
// (registration, Chaum-Pedersen, verifiable decryption, identity opening, issuer
// re-encryption, depositor binding) with their witness checks; receiving keys,
// shared points and payload masks of the deliveries, wrapping and unwrapping, and
// the opening checks; the deposit-fold relations of both flavors.
#include <gtest/gtest.h>
#include <valgrind/memcheck.h>

#include <random>
#include <span>
#include <vector>

#include "crypto_support.h"
#include "vorn/crypto/words.h"

using namespace vorn;
using namespace vorn::bn254;
using cs::ctw;
using cs::gmul;

namespace {

// A copy of v with its bytes marked undefined: memcheck then follows everything
// computed from it.
template <class T>
T secret(T v) {
  VALGRIND_MAKE_MEM_UNDEFINED(&v, sizeof(T));
  return v;
}
// Marks a value the protocol publishes as defined again.
template <class T>
void publish(T& v) {
  VALGRIND_MAKE_MEM_DEFINED(&v, sizeof(T));
}
// Publishes a Result's value or its error (the error text is fixed; the outcome is
// published by the caller's protocol).
template <class T>
void publish_result(Result<T>& r) {
  VALGRIND_MAKE_MEM_DEFINED(&r, sizeof(r));
  if (r.ok()) publish(*r);
}

// A secret scalar as the bindings hand it over: a word, reduced mod r by the kernel.
Fr sfr(const Fr& f) { return crypto::fr(secret(f.to_w())); }

struct Rng {
  std::mt19937_64 g;
  explicit Rng(uint64_t seed) : g(seed) {}
  Fr fr() { return cs::rnd(g); }
  W w() { return fr().to_w(); }
};

using crypto::Ciphertext;

// ---- ElGamal and Pointcheval-Sanders

TEST(SecretPaths, ElGamal) {
  Rng rng(1);
  const Fr sk = rng.fr(), r = rng.fr(), m = rng.fr();
  const G1Affine pk = gmul(sk), M = gmul(m);

  Ciphertext ct = crypto::elgamal_encrypt(M, pk, sfr(r));
  publish(ct);
  EXPECT_EQ(ctw(ct), ctw(cs::enc(M, pk, r)));

  G1Affine dec = crypto::elgamal_decrypt(ct, sfr(sk));
  publish(dec);
  EXPECT_EQ(dec, M);
}

TEST(SecretPaths, PointchevalSanders) {
  Rng rng(2);
  const Fr x = rng.fr(), y = rng.fr(), m = rng.fr(), t = rng.fr();
  crypto::PsSignature sig = crypto::ps_sign(sfr(x), sfr(y), sfr(m), sfr(t));
  publish(sig);
  const G1Affine s1 = gmul(t), s2 = gmul((x + y * m) * t);
  EXPECT_EQ(sig.sigma_1, s1);
  EXPECT_EQ(sig.sigma_2, s2);

  const Fr t2 = rng.fr();
  crypto::PsSignature rr = crypto::ps_rerandomize(sig, sfr(t2));
  publish(rr);
  EXPECT_EQ(rr.sigma_1, cs::mul(s1, t2));
  EXPECT_EQ(rr.sigma_2, cs::mul(s2, t2));

  const Fr a = rng.fr(), b = rng.fr();
  const G1Affine y1 = gmul(y);
  auto pres = crypto::ps_present(sig, y1, sfr(a), sfr(b));
  publish_result(pres);
  ASSERT_TRUE(pres.ok());
  EXPECT_EQ(pres->A, cs::mul(s1, a));
  EXPECT_EQ(pres->B, cs::add(cs::mul(s2, a), cs::mul(y1, b)));

  // A zero blinding scalar is refused; only that outcome leaves the call.
  auto zero = crypto::ps_present(sig, y1, sfr(a), sfr(Fr::zero()));
  publish_result(zero);
  EXPECT_EQ(cs::err(zero), crypto::kMsgPresentationZero);
}

// ---- Schnorr signers

TEST(SecretPaths, SchnorrSigners) {
  Rng rng(3);
  const Fr sk = rng.fr(), k = rng.fr();
  const G1Affine pk = gmul(sk);
  const W h = rng.w(), issuer = cs::u(0xA11CE), chainid = cs::u(31337);
  crypto::SchnorrSig sig = crypto::issuer_schnorr_sign(sfr(sk), h, issuer, chainid, sfr(k));
  publish(sig);
  EXPECT_TRUE(crypto::issuer_schnorr_verify(pk, sig, h, issuer, chainid));

  const uint8_t id[] = {'r', 'e', 'g', '-', '1'};
  crypto::SchnorrSig rsig = crypto::registry_schnorr_sign(sfr(sk), h, id, chainid, sfr(k));
  publish(rsig);
  EXPECT_TRUE(crypto::registry_schnorr_verify(pk, rsig, h, id, chainid));
}

// ---- the five provers

TEST(SecretPaths, RegistrationProver) {
  Rng rng(4);
  const Fr x = rng.fr(), y = rng.fr(), m = rng.fr(), t = rng.fr();
  const Fr blind = rng.fr(), a = rng.fr(), sk = rng.fr(), r = rng.fr();
  const G1Affine s1 = gmul(t), s2 = gmul((x + y * m) * t), y1 = gmul(y);
  const G1Affine A = cs::mul(s1, a), B = cs::add(cs::mul(s2, a), cs::mul(y1, blind));
  const G1Affine pk = gmul(sk);
  const Ciphertext e_ct = cs::enc(gmul(m), pk, r);
  const W registrant = cs::u(0xBEEF), chainid = cs::u(31337), registry = cs::u(0x5EED);

  const crypto::RegistrationWitness wit{sfr(blind), sfr(m), sfr(r), sfr(sk)};
  const crypto::RegistrationNonces nonces{sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr())};
  crypto::RegistrationProof proof = crypto::registration_prove(A, B, pk, e_ct, wit, nonces, registrant, chainid,
                                                               registry);
  publish(proof);
  EXPECT_TRUE(crypto::registration_verify(A, B, e_ct, pk, cs::g2mul(x), cs::g2mul(y), proof, registrant, chainid,
                                          registry));
}

TEST(SecretPaths, ChaumPedersenProver) {
  Rng rng(5);
  const Fr sk_a = rng.fr(), sk_b = rng.fr(), m = rng.fr(), r_a = rng.fr(), r_prime = rng.fr();
  const G1Affine pk_a = gmul(sk_a), pk_b = gmul(sk_b), M = gmul(m);
  const Ciphertext e_a = cs::enc(M, pk_a, r_a), e_b = cs::enc(M, pk_b, r_prime);
  const crypto::CpContext ctx{cs::u(1), cs::u(2), cs::u(3), cs::u(4)};
  crypto::CpProof proof =
      crypto::chaum_pedersen_prove(e_a, e_b, pk_a, pk_b, sfr(sk_a), sfr(r_prime), ctx, sfr(rng.fr()), sfr(rng.fr()));
  publish(proof);
  EXPECT_TRUE(crypto::chaum_pedersen_verify(e_a, e_b, pk_a, pk_b, proof, ctx));
}

TEST(SecretPaths, DecryptionProvers) {
  Rng rng(6);
  const Fr sk = rng.fr(), m = rng.fr(), r = rng.fr();
  const G1Affine pk = gmul(sk), M = gmul(m);
  const Ciphertext e_ct = cs::enc(M, pk, r);
  const W account = cs::u(0xACC), chainid = cs::u(31337), registry = cs::u(0x5EED);

  crypto::VdProof vd = crypto::verifiable_decrypt_prove(e_ct, sfr(sk), M, account, chainid, sfr(rng.fr()));
  publish(vd);
  EXPECT_TRUE(crypto::verifiable_decrypt_verify(e_ct, pk, M, vd, account, chainid));

  crypto::VdProof op = crypto::identity_opening_prove(e_ct, sfr(sk), M, account, chainid, registry, sfr(rng.fr()));
  publish(op);
  EXPECT_TRUE(crypto::identity_opening_verify(e_ct, pk, M, op, account, chainid, registry));
}

TEST(SecretPaths, IssuerReencryptionProver) {
  Rng rng(7);
  const Fr sk_iss = rng.fr(), k_rec = rng.fr(), m = rng.fr(), r_reg = rng.fr(), r_prime = rng.fr();
  const G1Affine pk_iss = gmul(sk_iss), pk_rec = gmul(k_rec), M = gmul(m);
  const Ciphertext e_reg = cs::enc(M, pk_iss, r_reg), e_iss = cs::enc(M, pk_rec, r_prime);
  const W issuer = cs::u(0x155), chainid = cs::u(31337);

  auto prove = [&](const Fr& rp) {
    // The recipient key is part of the witness: never absorbed, never revealed.
    const crypto::IssuerReencWitness wit{sfr(sk_iss), sfr(rp), secret(pk_rec), sfr(rng.fr()), sfr(rng.fr())};
    const crypto::IssuerReencNonces n{sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr())};
    auto p = crypto::issuer_reenc_prove(wit, e_reg, e_iss, issuer, chainid, n);
    publish_result(p);
    return p;
  };
  auto proof = prove(r_prime);
  ASSERT_TRUE(proof.ok());
  auto ok = crypto::issuer_reenc_verify(pk_iss, e_reg, e_iss, *proof, issuer, chainid);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(*ok);

  // The witness checks refuse in constant time too: a wrong r' fails the first.
  EXPECT_EQ(cs::err(prove(r_prime + Fr::one())), crypto::kMsgReencR);
}

TEST(SecretPaths, DepositorBindingProver) {
  Rng rng(8);
  const Fr m_dep = rng.fr(), sk_dep = rng.fr(), r_dep = rng.fr(), sk_iss = rng.fr();
  const G1Affine pk_dep = gmul(sk_dep), pk_iss = gmul(sk_iss);
  const Ciphertext e_dep = cs::enc(gmul(m_dep), pk_dep, r_dep);
  const W account = cs::u(0xDE9), chainid = cs::u(31337);

  auto prove = [&](const Fr& m) {
    const crypto::B1BindWitness wit{sfr(m), sfr(sk_dep), sfr(rng.fr()), sfr(rng.fr())};
    const crypto::B1BindNonces n{sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr()), sfr(rng.fr())};
    auto p = crypto::b1_bind_prove(wit, e_dep, pk_iss, account, chainid, n);
    publish_result(p);
    return p;
  };
  auto b = prove(m_dep);
  ASSERT_TRUE(b.ok());
  auto ok = crypto::b1_bind_verify(pk_dep, e_dep, pk_iss, b->e_dep_for_iss, b->proof, account, chainid);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(*ok);

  EXPECT_EQ(cs::err(prove(m_dep + Fr::one())), crypto::kMsgDepNotDecrypting);
}

}  // namespace
