#include "vorn/bn254/scalar_split.h"

namespace vorn::bn254::detail {

namespace {

struct U256 {
  uint64_t v[4] = {0, 0, 0, 0};
};

// (a * b) >> 256 for a of four limbs and b of three.
U256 mul_shift256(const uint64_t a[4], const uint64_t b[3]) {
  uint64_t r[7] = {0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    u128 c = 0;
    for (int j = 0; j < 3; ++j) {
      c += (u128)a[i] * b[j] + r[i + j];
      r[i + j] = (uint64_t)c;
      c >>= 64;
    }
    r[i + 3] = (uint64_t)c;
  }
  U256 out;
  out.v[0] = r[4];
  out.v[1] = r[5];
  out.v[2] = r[6];
  return out;
}

// a * b mod 2^256 for b of two limbs.
U256 mul_lo(const U256& a, const uint64_t b[2]) {
  U256 r;
  for (int i = 0; i < 4; ++i) {
    u128 c = 0;
    for (int j = 0; j < 2 && i + j < 4; ++j) {
      c += (u128)a.v[i] * b[j] + r.v[i + j];
      r.v[i + j] = (uint64_t)c;
      c >>= 64;
    }
    if (i + 2 < 4) r.v[i + 2] += (uint64_t)c;
  }
  return r;
}

U256 sub(const U256& a, const U256& b) {
  U256 r;
  uint64_t br = 0;
  for (int i = 0; i < 4; ++i) r.v[i] = sbb(a.v[i], b.v[i], br);
  return r;
}

// Magnitude of a two's complement value and its sign bit, by masks.
U256 magnitude(const U256& a, uint64_t& neg) {
  neg = a.v[3] >> 63;
  const uint64_t m = 0 - neg;
  U256 r;
  uint64_t c = neg;
  for (int i = 0; i < 4; ++i) r.v[i] = adc(a.v[i] ^ m, 0, c);
  return r;
}

}  // namespace

void glv_split(const Fr& k, uint64_t k1[2], uint64_t& neg1, uint64_t k2[2], uint64_t& neg2) {
  U256 kk;
  k.to_limbs(kk.v);
  // c_i = floor(k * g_i / 2^256) approximates k * b / r from below by less than 2, so
  // (k, 0) - c1 v1 - c2 v2 stays within twice the basis lengths: below 2^128.
  const U256 c1 = mul_shift256(kk.v, params::GLV_G1);
  const U256 c2 = mul_shift256(kk.v, params::GLV_G2);
  // k1 = k - c1 (2x+1) - c2 (6x^2+4x+1), k2 = c1 (6x^2+2x) - c2 (2x+1)   (mod 2^256)
  const U256 t1 = sub(sub(kk, mul_lo(c1, params::GLV_A1)), mul_lo(c2, params::GLV_A2));
  const U256 t2 = sub(mul_lo(c1, params::GLV_B1_NEG), mul_lo(c2, params::GLV_A1));
  const U256 m1 = magnitude(t1, neg1), m2 = magnitude(t2, neg2);
  k1[0] = m1.v[0];
  k1[1] = m1.v[1];
  k2[0] = m2.v[0];
  k2[1] = m2.v[1];
}

void gls_split(const Fr& k, uint64_t k1[2], uint64_t k2[2]) {
  U256 kk;
  k.to_limbs(kk.v);
  // The estimate floor(k * floor(2^256 / m) / 2^256) is at most two below the
  // quotient; two masked corrections finish it.
  U256 q = mul_shift256(kk.v, params::GLS_G);
  U256 rem = sub(kk, mul_lo(q, params::SIX_X_SQ));
  U256 m;
  m.v[0] = params::SIX_X_SQ[0];
  m.v[1] = params::SIX_X_SQ[1];
  for (int round = 0; round < 2; ++round) {
    uint64_t br = 0;
    U256 d;
    for (int i = 0; i < 4; ++i) d.v[i] = sbb(rem.v[i], m.v[i], br);
    const uint64_t take = br ^ 1;  // rem >= m
    const uint64_t mask = 0 - take;
    for (int i = 0; i < 4; ++i) rem.v[i] = (d.v[i] & mask) | (rem.v[i] & ~mask);
    uint64_t c = take;
    for (int i = 0; i < 4; ++i) q.v[i] = adc(q.v[i], 0, c);
  }
  k1[0] = rem.v[0];
  k1[1] = rem.v[1];
  k2[0] = q.v[0];
  k2[1] = q.v[1];
}

// Babai rounding in the lattice of params::GLS4_B. With c_j the nearest integer to
// k N_j / r and (k, 0, 0, 0) = sum_j (k N_j / r) b_j,
//   (k_0, k_1, k_2, k_3) = (k, 0, 0, 0) - sum_j c_j b_j = sum_j (k N_j / r - c_j) b_j,
// so |k_i| <= (1/2 + 2^-67) sum_j |b_ji| <= (1/2 + 2^-67) (7x + 3) < (7x + 3) / 2 + 1,
// the largest column sum being that of i = 0 (2x+1, 2x, x+1, 2x+1). That is below
// 2^64 (7x/2 ~ 2^63.9), so each k_i is exact in 128-bit two's complement and its
// magnitude fits one limb. The estimate c_j = (k G_j + 2^319) >> 320 with
// |G_j - 2^320 N_j / r| <= 1/2 is off from k N_j / r by at most 1/2 + k / 2^321.
void gls4_split(const Fr& k, uint64_t mag[4], uint64_t neg[4]) {
  uint64_t kk[4];
  k.to_limbs(kk);
  uint64_t c[4][2];
  for (int j = 0; j < 4; ++j) {
    uint64_t p[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    for (int a = 0; a < 4; ++a) {
      u128 t = 0;
      for (int b = 0; b < 4; ++b) {
        t += (u128)kk[a] * params::GLS4_G[j][b] + p[a + b];
        p[a + b] = (uint64_t)t;
        t >>= 64;
      }
      p[a + 4] = (uint64_t)t;
    }
    // + 2^319, then bits 320..447 (c_j < 2^190 is needed only mod 2^128).
    uint64_t carry = 0;
    p[4] = adc(p[4], 1ULL << 63, carry);
    c[j][0] = adc(p[5], 0, carry);
    c[j][1] = adc(p[6], 0, carry);
  }
  for (int i = 0; i < 4; ++i) {
    // k_i = [i = 0] k - sum_j c_j b_ji  (mod 2^128)
    u128 v = i == 0 ? ((u128)kk[1] << 64 | kk[0]) : 0;
    for (int j = 0; j < 4; ++j) {
      const uint64_t* b = params::GLS4_B[j][i];
      const u128 lo = (u128)c[j][0] * b[0];
      const uint64_t hi = (uint64_t)(lo >> 64) + c[j][0] * b[1] + c[j][1] * b[0];
      v -= (u128)hi << 64 | (uint64_t)lo;
    }
    const uint64_t n = (uint64_t)(v >> 127), m = 0 - n;
    neg[i] = n;
    mag[i] = ((uint64_t)v ^ m) + n;  // |k_i| < 2^64
  }
}

}  // namespace vorn::bn254::detail
