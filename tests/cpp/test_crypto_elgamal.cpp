// ElGamal and Pointcheval-Sanders against the plain bn254 primitives and the
// pairing, with the edge scalars (0, 1, r - 1, r) and the decoding orders.
#include <gtest/gtest.h>

#include "crypto_support.h"
#include "vorn/bn254/pairing.h"
#include "vorn/crypto/elgamal.h"
#include "vorn/crypto/words.h"

using namespace cs;
namespace c = vorn::crypto;
namespace cw = vorn::crypto::words;

namespace {

std::mt19937_64 rng(0xE1);

TEST(ElGamal, EncryptsAndDecryptsForEdgeRandomnessAndPoints) {
  const Fr sk = rnd(rng);
  const G1Affine pk = gmul(sk);
  const Fr rs[] = {Fr::zero(), Fr::one(), -Fr::one(), rnd(rng)};
  const G1Affine ms[] = {O(), G(), gmul(rnd(rng))};
  for (const Fr& r : rs)
    for (const G1Affine& m : ms) {
      const Ciphertext ct = c::elgamal_encrypt(m, pk, r);
      const Ciphertext want = enc(m, pk, r);
      EXPECT_EQ(ct.R, want.R);
      EXPECT_EQ(ct.C, want.C);
      EXPECT_EQ(c::elgamal_decrypt(ct, sk), m);
    }
  // r = 0 gives (identity, M); an identity key gives C = M.
  const G1Affine m = gmul(rnd(rng));
  EXPECT_TRUE(c::elgamal_encrypt(m, pk, Fr::zero()).R.infinity);
  EXPECT_EQ(c::elgamal_encrypt(m, O(), rnd(rng)).C, m);
}

TEST(ElGamal, WrongKeyGivesAnotherPointNotAnError) {
  const Fr sk = rnd(rng);
  const G1Affine m = gmul(rnd(rng));
  const Ciphertext ct = c::elgamal_encrypt(m, gmul(sk), rnd(rng));
  EXPECT_NE(c::elgamal_decrypt(ct, sk + Fr::one()), m);
}

TEST(ElGamal, WordsReduceTheScalarAndDecodeInArgumentOrder) {
  const Fr sk = rnd(rng), r = rnd(rng);
  const G1Words m = pw(gmul(rnd(rng))), pk = pw(gmul(sk));
  // r + r_order encrypts exactly as r.
  EXPECT_EQ(cw::elgamal_encrypt(m, pk, r.to_w()).value(), cw::elgamal_encrypt(m, pk, plus_r(r.to_w())).value());
  const cw::CtWords ct = cw::elgamal_encrypt(m, pk, r.to_w()).value();
  EXPECT_EQ(cw::elgamal_decrypt(ct, plus_r(sk.to_w())).value(), m);

  EXPECT_EQ(err(cw::elgamal_encrypt(off_curve(), non_canonical(), u(1))), kOffCurve);
  EXPECT_EQ(err(cw::elgamal_encrypt(m, non_canonical(), u(1))), kNonCanonical);
  const G1Words bad1 = off_curve(), bad2 = non_canonical();
  EXPECT_EQ(err(cw::elgamal_decrypt({bad1, bad2}, u(1))), kOffCurve);
  EXPECT_EQ(err(cw::elgamal_decrypt({ct.r, bad2}, u(1))), kNonCanonical);
}

struct PsKey {
  Fr x, y;
  G2Affine X, Y;
  G1Affine Y1;
};
PsKey ps_key() {
  const Fr x = rnd(rng), y = rnd(rng);
  return {x, y, g2mul(x), g2mul(y), gmul(y)};
}

TEST(Ps, SignatureIsTheDefiningProductOfSigmaOne) {
  const PsKey k = ps_key();
  const Fr m = rnd(rng), t = rnd(rng);
  const c::PsSignature s = c::ps_sign(k.x, k.y, m, t);
  EXPECT_EQ(s.sigma_1, gmul(t));
  EXPECT_EQ(s.sigma_2, mul(s.sigma_1, k.x + k.y * m));
}

TEST(Ps, VerifyAcceptsExactlyTheSignedMessage) {
  const PsKey k = ps_key();
  const Fr m = rnd(rng), t = rnd(rng);
  const c::PsSignature s = c::ps_sign(k.x, k.y, m, t);
  struct Case {
    const char* name;
    c::PsSignature sig;
    Fr m;
    bool want;
  } cases[] = {
      {"signed", s, m, true},
      {"m + 1", s, m + Fr::one(), false},
      {"t = 0", c::ps_sign(k.x, k.y, m, Fr::zero()), m, false},
      {"rerandomised", c::ps_rerandomize(s, rnd(rng)), m, true},
      {"rerandomised by 0", c::ps_rerandomize(s, Fr::zero()), m, false},
      {"sigmas swapped", {s.sigma_2, s.sigma_1}, m, false},
      {"sigma_2 identity", {s.sigma_1, O()}, m, false},
  };
  for (const Case& cs : cases) EXPECT_EQ(c::ps_verify(k.X, k.Y, cs.sig, cs.m), cs.want) << cs.name;
  // Against an independent pairing product: e(sigma_1, X + mY) == e(sigma_2, g2).
  const G2Affine xmy = (G2::from_affine(k.X) + g2_mul_var(k.Y, m)).to_affine_var();
  EXPECT_EQ(pairing(s.sigma_1, xmy), pairing(s.sigma_2, g2_generator()));
}

TEST(Ps, VerifyWordsReduceMAndStopAtAnIdentitySigmaOne) {
  const PsKey k = ps_key();
  const Fr m = rnd(rng);
  const cw::G1Pair s = cw::ps_sign(k.x.to_w(), k.y.to_w(), m.to_w(), rnd(rng).to_w());
  const G2Words X = w_from_g2(k.X), Y = w_from_g2(k.Y);
  EXPECT_TRUE(cw::ps_verify(X, Y, s[0], s[1], plus_r(m.to_w())).value());
  // sigma_1 = identity answers false before X and Y are decoded.
  G2Words bad_x = X;
  bad_x[0] = W::from_u64(5);
  EXPECT_FALSE(cw::ps_verify(bad_x, Y, G1Words{}, s[1], m.to_w()).value());
  EXPECT_EQ(err(cw::ps_verify(bad_x, Y, s[0], s[1], m.to_w())), kMsgG2NotOnCurve);
  // sigma_2 is decoded before the identity test.
  EXPECT_EQ(err(cw::ps_verify(X, Y, G1Words{}, off_curve(), m.to_w())), kOffCurve);
}

TEST(Ps, PresentRejectsZeroScalarsAndHidesWithY1) {
  const PsKey k = ps_key();
  const c::PsSignature s = c::ps_sign(k.x, k.y, rnd(rng), rnd(rng));
  const Fr a = rnd(rng), b = rnd(rng);
  const c::PsPresentation p = c::ps_present(s, k.Y1, a, b).value();
  EXPECT_EQ(p.A, mul(s.sigma_1, a));
  EXPECT_EQ(p.B, add(mul(s.sigma_2, a), mul(k.Y1, b)));
  const c::PsPresentation one = c::ps_present(s, k.Y1, Fr::one(), Fr::one()).value();
  EXPECT_EQ(one.A, s.sigma_1);
  EXPECT_EQ(one.B, add(s.sigma_2, k.Y1));

  const G1Words s1 = pw(s.sigma_1), s2 = pw(s.sigma_2), y1 = pw(k.Y1);
  const W zero_cases[][2] = {{r_word(), u(1)}, {u(1), W{}}, {W{}, W{}}, {plus_r(W{}), plus_r(r_word())}};
  for (const auto& z : zero_cases) EXPECT_EQ(err(cw::ps_present(s1, s2, y1, z[0], z[1])), c::kMsgPresentationZero);
  // Points are decoded before the scalars are looked at.
  EXPECT_EQ(err(cw::ps_present(s1, s2, off_curve(), W{}, W{})), kOffCurve);
}

TEST(Ps, KeyConsistencyMatchesTheSecretAcrossGroups) {
  const PsKey k = ps_key();
  EXPECT_TRUE(c::ps_key_consistent(k.Y, k.Y1));
  EXPECT_FALSE(c::ps_key_consistent(k.Y, add(k.Y1, G())));
  EXPECT_FALSE(c::ps_key_consistent(k.X, k.Y1));
  EXPECT_FALSE(c::ps_key_consistent(G2Affine::identity(), O()));  // identity Y1 is false even then

  // Words: an identity Y1 answers false before Y is decoded.
  G2Words bad_y = w_from_g2(k.Y);
  bad_y[3] = W::from_u64(7);
  EXPECT_FALSE(cw::ps_key_consistent(bad_y, G1Words{}).value());
  EXPECT_EQ(err(cw::ps_key_consistent(bad_y, pw(k.Y1))), kMsgG2NotOnCurve);
  EXPECT_EQ(err(cw::ps_key_consistent(bad_y, off_curve())), kOffCurve);
}

}  // namespace
