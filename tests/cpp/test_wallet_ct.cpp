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
// the opening checks; the deposit-fold relations of both flavors; certificate
// signing, sealing and unsealing.
#include <gtest/gtest.h>
#include <valgrind/memcheck.h>

#include <random>
#include <span>
#include <vector>

#include "crypto_support.h"
#include "vorn/crypto/words.h"
#include "vorn/notes/leaves.h"
#include "vorn/notes/tree.h"
#include "vorn/registry/certificate_ops.h"
#include "vorn/wallet/delivery.h"
#include "vorn/wallet/deposit_fold.h"
#include "vorn/wallet/group_args.h"

using namespace vorn;
using namespace vorn::bn254;
using cs::ctw;
using cs::gmul;
using cs::pw;

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
// Byte strings: the contents, not only the vector.
void publish(std::vector<uint8_t>& v) {
  VALGRIND_MAKE_MEM_DEFINED(&v, sizeof(v));
  VALGRIND_MAKE_MEM_DEFINED(v.data(), v.size());
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
// A secret scalar's word, marked.
W sword(const Fr& f) { return secret(f.to_w()); }

struct Rng {
  std::mt19937_64 g;
  explicit Rng(uint64_t seed) : g(seed) {}
  Fr fr() { return cs::rnd(g); }
  W w() { return fr().to_w(); }
};

using crypto::Ciphertext;
using notes::CiphertextW;
using notes::G1Words;

G1Words pt(const G1Affine& p) { return w_from_g1(p); }
CiphertextW ctx_w(const Ciphertext& c) { return {pt(c.R), pt(c.C)}; }

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

// ---- the word-level forms the bindings call: secret words reduced by the kernel,
// results converted to words before they are returned

TEST(SecretPaths, WordLevelForms) {
  namespace cw = crypto::words;
  Rng rng(14);
  const Fr sk = rng.fr(), m = rng.fr(), r = rng.fr(), x = rng.fr(), y = rng.fr(), t = rng.fr();
  const G1Affine pk = gmul(sk), M = gmul(m);
  auto ct = cw::elgamal_encrypt(pw(M), pw(pk), sword(r));
  publish_result(ct);
  ASSERT_TRUE(ct.ok());
  EXPECT_EQ(*ct, ctw(cs::enc(M, pk, r)));
  auto dec = cw::elgamal_decrypt(*ct, sword(sk));
  publish_result(dec);
  ASSERT_TRUE(dec.ok());
  EXPECT_EQ(*dec, pw(M));

  cw::G1Pair sig = cw::ps_sign(sword(x), sword(y), sword(m), sword(t));
  publish(sig);
  EXPECT_EQ(sig[1], pw(gmul((x + y * m) * t)));
  auto pres = cw::ps_present(sig[0], sig[1], pw(gmul(y)), sword(rng.fr()), sword(rng.fr()));
  publish_result(pres);
  EXPECT_TRUE(pres.ok());

  const W h = rng.w(), issuer = cs::u(9), chainid = cs::u(31337);
  cw::SchnorrSigW ss = cw::issuer_schnorr_sign(sword(sk), h, issuer, chainid, sword(rng.fr()));
  publish(ss);
  EXPECT_TRUE(cw::issuer_schnorr_verify(pw(pk), ss, h, issuer, chainid).value());

  auto vd = cw::verifiable_decrypt_prove(*ct, sword(sk), pw(M), issuer, chainid, sword(rng.fr()));
  publish_result(vd);
  ASSERT_TRUE(vd.ok());
  EXPECT_TRUE(cw::verifiable_decrypt_verify(*ct, pw(pk), pw(M), *vd, issuer, chainid).value());
}

// ---- deliveries: receiving keys, shared points, masks, openings

TEST(SecretPaths, ReceivingKey) {
  Rng rng(9);
  const W seed = rng.w();
  auto key = wallet::derive_receiving_key(7, secret(seed));
  publish_result(key);  // the caller receives k; pk_recv is published
  ASSERT_TRUE(key.ok());
  EXPECT_EQ(key->pk_recv, pt(gmul(crypto::fr(key->k))));
  auto zero = wallet::derive_receiving_key(7, secret(W{}));
  publish_result(zero);
  EXPECT_EQ(cs::err(zero), wallet::kSeedNotPositive);
}

TEST(SecretPaths, DeliveryWrapAndOpen) {
  Rng rng(10);
  const Fr k = rng.fr(), r_note = rng.fr(), v = Fr::from_u64(1000), rho = rng.fr();
  const G1Affine pk_recv = gmul(k);
  const Ciphertext e_note = cs::enc(gmul(v), pk_recv, r_note);

  // Sender: S = r_note*pk_recv, then each field wrapped (the wrapped words are published).
  auto s_sender = wallet::sender_shared_point(pt(pk_recv), sword(r_note));
  ASSERT_TRUE(s_sender.ok());  // the outcome is public; S itself stays secret
  W rho_wrapped = wallet::wrap_field("rho", *s_sender, sword(rho));
  W v_wrapped = wallet::wrap_field("v", *s_sender, sword(v));
  W r_wrapped = wallet::wrap_field("rNote", *s_sender, sword(r_note));
  publish(rho_wrapped);
  publish(v_wrapped);
  publish(r_wrapped);

  // Recipient: S = k*eNote.R, unwrap, and the two opening checks.
  const G1Words s_rec = wallet::recipient_shared_point(e_note.R, sword(k));
  const W rho_open = wallet::unwrap_field("rho", s_rec, rho_wrapped);
  const W v_open = wallet::unwrap_field("v", s_rec, v_wrapped);
  const W r_open = wallet::unwrap_field("rNote", s_rec, r_wrapped);
  const bool randomness_ok = wallet::is_randomness_of(r_open, pt(e_note.R));
  auto face_ok = wallet::opens_to_face(e_note.R, pt(e_note.C), sword(k), v_open);
  auto face_wrong_key = wallet::opens_to_face(e_note.R, pt(e_note.C), sword(k + Fr::one()), v_open);
  EXPECT_TRUE(randomness_ok);
  ASSERT_TRUE(face_ok.ok() && face_wrong_key.ok());
  EXPECT_TRUE(*face_ok);
  EXPECT_FALSE(*face_wrong_key);

  // The recipient's view of the secrets, published here only to compare them.
  G1Words s_sender_pub = *s_sender, s_rec_pub = s_rec;
  W opened[3] = {rho_open, v_open, r_open};
  publish(s_sender_pub);
  publish(s_rec_pub);
  publish(opened);
  EXPECT_EQ(s_sender_pub, s_rec_pub);
  EXPECT_EQ(s_rec_pub, pt(cs::mul(pk_recv, r_note)));
  EXPECT_EQ(opened[0], rho.to_w());
  EXPECT_EQ(opened[1], v.to_w());
  EXPECT_EQ(opened[2], r_note.to_w());

  // A zero randomness would make every mask public: refused, only the outcome leaves.
  auto s_zero = wallet::sender_shared_point(pt(pk_recv), secret(W{}));
  publish_result(s_zero);
  EXPECT_EQ(cs::err(s_zero), wallet::kSharedPointIdentity);

  // A2: the mailbox check k*eIss.R + gamma*H == T.
  const Fr r_prime = rng.fr(), gamma = rng.fr();
  const G1Affine r_iss = gmul(r_prime);
  const G1Affine t = cs::add(cs::mul(pk_recv, r_prime), cs::mul(cs::H(), gamma));
  auto t_ok = wallet::t_opens_to_mailbox(r_iss, sword(k), sword(gamma), pt(t));
  auto t_bad = wallet::t_opens_to_mailbox(r_iss, sword(k), sword(gamma + Fr::one()), pt(t));
  ASSERT_TRUE(t_ok.ok() && t_bad.ok());
  EXPECT_TRUE(*t_ok);
  EXPECT_FALSE(*t_bad);
}

// ---- deposit-fold relations

// A deposit account and a receiving leaf registered in a tree of depth 4 whose other
// leaves are `extra`.
struct Fold {
  Fr k, m_rec, t, sk_dep, r_e, salt, rho;
  wallet::FoldAccount account;
};

Fold make_fold(Rng& rng, const G1Affine& enc_plain_offset, std::vector<W> extra_leaves,
               notes::MerklePath* extra_path) {
  Fold f;
  f.k = rng.fr(), f.m_rec = rng.fr(), f.t = rng.fr(), f.sk_dep = rng.fr(), f.r_e = rng.fr(), f.salt = rng.fr();
  f.rho = rng.fr();
  wallet::FoldAccount& a = f.account;
  const W leaf = notes::receiving_leaf(f.m_rec.to_w(), f.k.to_w(), f.salt.to_w()).value();
  std::vector<W> leaves = {leaf};
  leaves.insert(leaves.end(), extra_leaves.begin(), extra_leaves.end());
  const auto tree = notes::IdentityMerkleTree::from_leaves(leaves, 4).value();
  const notes::MerklePath path = tree.path(0).value();
  if (extra_path) *extra_path = tree.path(1).value();
  a.path = {path.siblings, path.bits};
  a.identity_root = path.root;
  a.pk_dep = pt(gmul(f.sk_dep));
  a.e_dep = {pt(gmul(f.r_e)), pt(gmul(f.m_rec + f.sk_dep * f.r_e))};
  // eEnc = (t*G, P + t*k*G): P = m_rec*G in A1, M_I in A2.
  a.e_enc = {pt(gmul(f.t)), pt(cs::add(enc_plain_offset, gmul(f.t * f.k)))};
  a.rho = f.rho.to_w();
  return f;
}

// The account with its secrets marked.
wallet::FoldAccount secret_account(const Fold& f) {
  wallet::FoldAccount a = f.account;
  a.m_rec = sword(f.m_rec), a.k = sword(f.k), a.sk_dep = sword(f.sk_dep), a.salt = sword(f.salt);
  a.t = sword(f.t), a.r_e = sword(f.r_e), a.rho = sword(f.rho);
  return a;
}

TEST(SecretPaths, DepositFoldA1) {
  Rng rng(11);
  Fold f = make_fold(rng, G1Affine::identity(), {}, nullptr);
  f.account.e_enc.c = pt(gmul(f.m_rec + f.t * f.k));
  const Fr v = Fr::from_u64(250), r_note = rng.fr(), m_issuer = rng.fr();
  wallet::FoldA1Input in;
  in.e_note = ctx_w(cs::enc(gmul(v), gmul(f.k), r_note));
  in.v = v.to_w(), in.m_issuer = m_issuer.to_w(), in.r_note = r_note.to_w();
  f.account.id_hash = notes::id_hash_a1(in.e_note, in.m_issuer).value();
  in.account = f.account;

  wallet::FoldA1Input s = in;
  s.v = sword(v), s.m_issuer = sword(m_issuer), s.r_note = sword(r_note);
  s.account = secret_account(f);
  auto x = wallet::fold_a1_relations(s);
  publish_result(x);  // the witness goes back to its owner; the nullifier is published
  ASSERT_TRUE(x.ok()) << x.error().msg;
  EXPECT_EQ(x->u, v + r_note * f.k);
  EXPECT_EQ(x->cd, f.m_rec + f.sk_dep * f.r_e);
  EXPECT_EQ(x->nullifier, notes::nullifier(f.rho.to_w(), f.account.id_hash).value());

  // A failing relation is refused the same way: a deposit key that does not match.
  s.account.sk_dep = sword(f.sk_dep + Fr::one());
  auto bad = wallet::fold_a1_relations(s);
  publish_result(bad);
  EXPECT_EQ(cs::err(bad), wallet::kFoldPkDep);
}

TEST(SecretPaths, DepositFoldA2) {
  Rng rng(12);
  const Fr m_i = rng.fr(), r_prime = rng.fr(), gamma = rng.fr(), salt_iss = rng.fr();
  const G1Affine M_I = gmul(m_i);
  const W iss_leaf = notes::identity_leaf_salted(pt(M_I), salt_iss.to_w()).value();
  notes::MerklePath iss_path;
  Fold f = make_fold(rng, M_I, {iss_leaf}, &iss_path);
  const G1Affine pk_recv = gmul(f.k);
  const Fr v = Fr::from_u64(99), r_note = rng.fr();

  wallet::FoldA2Input in;
  in.e_note = ctx_w(cs::enc(gmul(v), pk_recv, r_note));
  in.e_iss = ctx_w(cs::enc(M_I, pk_recv, r_prime));
  in.r_prime = r_prime.to_w(), in.salt_iss = salt_iss.to_w(), in.gamma = gamma.to_w();
  in.iss_path = {iss_path.siblings, iss_path.bits};
  in.t = pt(cs::add(gmul(r_prime * f.k), cs::mul(cs::H(), gamma)));
  f.account.id_hash = notes::id_hash_a2(in.e_note, in.e_iss, in.t).value();
  in.account = f.account;

  wallet::FoldA2Input s = in;
  s.r_prime = sword(r_prime), s.salt_iss = sword(salt_iss), s.gamma = sword(gamma);
  s.account = secret_account(f);
  auto x = wallet::fold_a2_relations(s);
  publish_result(x);
  ASSERT_TRUE(x.ok()) << x.error().msg;
  EXPECT_EQ(x->m_i, pt(M_I));
  EXPECT_EQ(x->rm, r_prime * f.k);
  EXPECT_EQ(x->nullifier, notes::nullifier(f.rho.to_w(), f.account.id_hash).value());

  s.gamma = sword(gamma + Fr::one());
  auto bad = wallet::fold_a2_relations(s);
  publish_result(bad);
  EXPECT_EQ(cs::err(bad), wallet::kFoldT);
}

// ---- certificates: signing, sealing, unsealing

TEST(SecretPaths, Certificates) {
  Rng rng(13);
  const Fr registry_sk = rng.fr(), client_sk = rng.fr();
  const W chainid = cs::u(31337);
  auto wire = registry::registry_sign_certificate(sword(registry_sk), "reg-1", R"({"name":"Bob"})", 7, -5, 99,
                                                  chainid, sword(rng.fr()));
  publish_result(wire);
  ASSERT_TRUE(wire.ok());
  const auto sc = registry::read_signed_certificate(*wire).value();
  EXPECT_EQ(sc.pk, w_from_g1(gmul(registry_sk)));
  EXPECT_TRUE(registry::registry_verify_certificate(sc, chainid).value());

  auto sealed = registry::seal_certificate(sc, w_from_g1(gmul(client_sk)), sword(rng.fr()));
  publish_result(sealed);
  ASSERT_TRUE(sealed.ok());
  const auto env = registry::read_sealed_certificate(*sealed).value();
  auto unsealed = registry::unseal_certificate(env, sword(client_sk));
  publish_result(unsealed);
  ASSERT_TRUE(unsealed.ok());
  EXPECT_EQ(*unsealed, *wire);
  auto other = registry::unseal_certificate(env, sword(client_sk + Fr::one()));
  publish_result(other);
  EXPECT_EQ(cs::err(other), registry::kSealedForAnotherClient);
}

}  // namespace
