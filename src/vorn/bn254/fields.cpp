#include "vorn/bn254/fields.h"

#ifdef VORN_BN254_HAVE_ADX
#include <cpuid.h>
#endif

namespace vorn::bn254::detail {

// The Montgomery products keep no carry word beyond the four limbs (see
// mont_mul_adx and mont_mul_portable): that needs the top limb of each modulus below
// 2^62, as it is for both BN254 primes.
static_assert(params::FQ_MOD[3] < (1ULL << 62) && params::FR_MOD[3] < (1ULL << 62),
              "the Montgomery products need two spare bits in the top limb");

#ifdef VORN_BN254_HAVE_ADX
namespace {
bool cpu_has_bmi2_adx() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ((b >> 8) & 1) && ((b >> 19) & 1);  // BMI2 (mulx), ADX (adcx/adox)
}
}  // namespace

// Until this initialiser runs (static initialisation of other translation units),
// the portable product is used, which gives the same results.
bool g_use_adx = cpu_has_bmi2_adx();

void mont_mul_fallback(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[5]) {
  mont_mul_portable(r, a, b, m, m[4]);
}

void mul_wide_fallback(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]) { mul_wide_portable(r, a, b); }

void mont_redc_fallback(uint64_t r[4], const uint64_t t[8], const uint64_t m[5], const uint64_t m2[4], int steps) {
  if (steps == 2)
    mont_redc_portable<2>(r, t, m, m2);
  else
    mont_redc_portable<1>(r, t, m, m2);
}
#endif

// ---- Modular inversion by Bernstein-Yang divsteps ---------------------------------------
//
// Values are held in signed radix 2^62: five int64 limbs, the lower four in
// [0, 2^62), the top one signed. Starting from f = m, g = a, d = 0, e = 1, each
// batch runs divsteps on the low 64 bits of f and g, giving an integer matrix
// T = [u v; q r], scaled by 2^62, with |u| + |v| <= 2^62 and |q| + |r| <= 2^62, and
// then applies
//   (f, g) <- T (f, g) / 2^62           (exact)
//   (d, e) <- T (d, e) / 2^62 mod m     (a multiple of m makes it exact)
// which keeps f = d a and g = e a (mod m). Once g = 0, f = +-1 and a^-1 = f d.
//
// The constant-time inverse runs the half-delta divstep, delta starting at 1/2
// instead of 1 (the same step otherwise):
//   delta > 0 and g odd:  (delta, f, g) <- (1 - delta, g, (g - f)/2)
//   otherwise:            (delta, f, g) <- (1 + delta, f, (g + (g mod 2) f)/2)
// For f and g below 2^256 (f odd), 590 of these steps reach g = 0 whatever the
// input: the bound given by the convex hull analysis of the reachable transition
// matrices (Bernstein and Yang's method) for the half-delta variant; with delta
// starting at 1 the same analysis gives 724, and Bernstein and Yang prove 741 for
// 256-bit inputs. Our moduli are below 2^254 and a < m, so 10 batches of 59 steps
// suffice; the matrix of 59 steps, times 8, has the scale 2^62 the updates expect.
// The variable-time inverse keeps delta = 1 and batches of 62 steps, stopping once
// g = 0.
namespace {

using i128 = __int128;
constexpr uint64_t kM62 = (1ULL << 62) - 1;
constexpr int kBatchesVar = 12;   // 744 divsteps (delta from 1), at most; stops early
constexpr int kBatchesCt = 10;    // 590 half-delta divsteps
constexpr int kStepsCt = 59;

struct S62 {
  int64_t v[5];
};

struct Trans {
  int64_t u, v, q, r;
};

S62 to_s62(const uint64_t a[4]) {
  return {{(int64_t)(a[0] & kM62), (int64_t)(((a[0] >> 62) | (a[1] << 2)) & kM62),
           (int64_t)(((a[1] >> 60) | (a[2] << 4)) & kM62), (int64_t)(((a[2] >> 58) | (a[3] << 6)) & kM62),
           (int64_t)(a[3] >> 56)}};
}

// 59 half-delta divsteps on the low bits of f and g (f odd), branch-free; returns the
// updated state. The state is zeta = -(delta + 1/2), so delta > 0 is the sign bit of
// zeta, and the two cases update it as zeta <- -zeta - 2 (swap) and zeta <- zeta - 1,
// i.e. (zeta ^ swap) - 1. Each step adds f (or -f when delta > 0) to g when g is odd;
// in the swap case that leaves g - f, and f + (g - f) gives the old g as the new f.
// The matrix rows follow the same two additions; then g is halved and the f row
// doubled (the matrix carries the scale 2^steps). f and g are the low 64 bits of the
// true values, whose low 64 - i bits are exact after i steps, enough for all 59.
//
// The steps run in two halves of 30 and 29, each from the identity, with the two
// entries of a matrix row packed in one word as x + 2^32 y: after n <= 30 steps
// |x| + |y| <= 2^n, so each entry is the sign-extended low half (x) and the rest
// shifted down (y), and every operation on a row is linear, so it acts on both
// entries at once. The batch matrix is 8 T2 T1 (scale 2^3 2^30 2^29 = 2^62).
int64_t divsteps_59_ct(int64_t zeta, uint64_t f, uint64_t g, Trans& t) {
  Trans h[2];
  for (int half = 0; half < 2; ++half) {
    uint64_t fr = 1, gr = 1ULL << 32;  // rows (u, v) and (q, r), packed
    const int steps = half == 0 ? 30 : kStepsCt - 30;
    for (int i = 0; i < steps; ++i) {
      const uint64_t pos = (uint64_t)(zeta >> 63);  // all ones when delta > 0
      const uint64_t odd = 0 - (g & 1);
      const uint64_t nf = (f ^ pos) - pos, nfr = (fr ^ pos) - pos;
      g += nf & odd;
      gr += nfr & odd;
      const uint64_t swap = pos & odd;
      zeta = (zeta ^ (int64_t)swap) - 1;
      f += g & swap;
      fr += gr & swap;
      g >>= 1;
      fr <<= 1;
    }
    const int64_t u = (int32_t)(uint32_t)fr, q = (int32_t)(uint32_t)gr;
    h[half] = {u, (int64_t)(fr - (uint64_t)u) >> 32, q, (int64_t)(gr - (uint64_t)q) >> 32};
  }
  const Trans& a = h[0];
  const Trans& b = h[1];
  t = {(b.u * a.u + b.v * a.q) * 8, (b.u * a.v + b.v * a.r) * 8, (b.q * a.u + b.r * a.q) * 8,
       (b.q * a.v + b.r * a.r) * 8};
  return zeta;
}

// The same 62 divsteps, in variable time, for public inputs. Runs of steps that only
// halve g are taken together (count of trailing zeros), and while no swap can happen
// (the next eta + 1 steps, eta = -delta) several additions of f are folded into one
// g += w f, w chosen mod 2^k so that the k low bits of g cancel: f is odd, so
// w = -g / f mod 2^k, with 1/f mod 2^4 as f + ((f + 1) & 4) << 1 and 1/f mod 2^6 as
// f (f^2 - 2) (Newton steps; the swap branch folds the negation into -f). Each run
// is exactly the sequence of single divsteps, so the matrix is the constant-time
// one's.
int64_t divsteps_62_var(int64_t delta, uint64_t f, uint64_t g, Trans& t) {
  uint64_t u = 1, v = 0, q = 0, r = 1;
  int64_t eta = -delta;
  int left = 62;
  for (;;) {
    // g | ~0 << left is nonzero, so the count is at most `left`.
    const int zeros = __builtin_ctzll(g | (~0ULL << left));
    g >>= zeros;
    u <<= zeros;
    v <<= zeros;
    eta -= zeros;
    left -= zeros;
    if (left == 0) break;
    // f and g odd.
    uint64_t w;
    int limit;
    if (eta < 0) {
      uint64_t tmp;
      eta = -eta;
      tmp = f; f = g; g = 0 - tmp;
      tmp = u; u = q; q = 0 - tmp;
      tmp = v; v = r; r = 0 - tmp;
      limit = (int)eta + 1 > left ? left : (int)eta + 1;
      const uint64_t mask = (~0ULL >> (64 - limit)) & 63u;
      w = (f * g * (f * f - 2)) & mask;
    } else {
      limit = (int)eta + 1 > left ? left : (int)eta + 1;
      const uint64_t mask = (~0ULL >> (64 - limit)) & 15u;
      w = f + (((f + 1) & 4) << 1);
      w = (0 - w * g) & mask;
    }
    g += f * w;
    q += u * w;
    r += v * w;
  }
  t = {(int64_t)u, (int64_t)v, (int64_t)q, (int64_t)r};
  return -eta;
}

void update_fg(S62& f, S62& g, const Trans& t) {
  i128 cf = (i128)t.u * f.v[0] + (i128)t.v * g.v[0];
  i128 cg = (i128)t.q * f.v[0] + (i128)t.r * g.v[0];
  cf >>= 62;  // the low 62 bits are zero by construction
  cg >>= 62;
  for (int i = 1; i < 5; ++i) {
    cf += (i128)t.u * f.v[i] + (i128)t.v * g.v[i];
    cg += (i128)t.q * f.v[i] + (i128)t.r * g.v[i];
    f.v[i - 1] = (int64_t)((uint64_t)cf & kM62);
    g.v[i - 1] = (int64_t)((uint64_t)cg & kM62);
    cf >>= 62;
    cg >>= 62;
  }
  f.v[4] = (int64_t)cf;
  g.v[4] = (int64_t)cg;
}

// |d| and |e| grow by less than m per batch (from m at the start), so they stay
// below 13m < 2^258 (11m for the ten constant-time batches) and every sum below fits in 128 bits.
void update_de(S62& d, S62& e, const Trans& t, const S62& m, uint64_t minv62) {
  i128 cd = (i128)t.u * d.v[0] + (i128)t.v * e.v[0];
  i128 ce = (i128)t.q * d.v[0] + (i128)t.r * e.v[0];
  // md, me in [0, 2^62) make cd + md m and ce + me m divisible by 2^62.
  const int64_t md = (int64_t)((0 - (uint64_t)cd * minv62) & kM62);
  const int64_t me = (int64_t)((0 - (uint64_t)ce * minv62) & kM62);
  cd += (i128)m.v[0] * md;
  ce += (i128)m.v[0] * me;
  cd >>= 62;
  ce >>= 62;
  for (int i = 1; i < 5; ++i) {
    cd += (i128)t.u * d.v[i] + (i128)t.v * e.v[i] + (i128)m.v[i] * md;
    ce += (i128)t.q * d.v[i] + (i128)t.r * e.v[i] + (i128)m.v[i] * me;
    d.v[i - 1] = (int64_t)((uint64_t)cd & kM62);
    e.v[i - 1] = (int64_t)((uint64_t)ce & kM62);
    cd >>= 62;
    ce >>= 62;
  }
  d.v[4] = (int64_t)cd;
  e.v[4] = (int64_t)ce;
}

// out = (sign * d) mod m for |d| < 16m, sign = -1 when neg_mask is all ones.
void finish(uint64_t out[4], const S62& d, uint64_t neg_mask, const S62& m) {
  // sign * d + 16 m, positive and below 32m < 2^259, in radix 2^62...
  S62 w;
  i128 c = 0;
  for (int i = 0; i < 5; ++i) {
    c += (i128)(int64_t)(((uint64_t)d.v[i] ^ neg_mask) - neg_mask) + (i128)16 * m.v[i];
    if (i < 4) {
      w.v[i] = (int64_t)((uint64_t)c & kM62);
      c >>= 62;
    } else {
      w.v[i] = (int64_t)c;
    }
  }
  // ... then in radix 2^64 (five limbs) ...
  uint64_t x[5] = {(uint64_t)w.v[0] | ((uint64_t)w.v[1] << 62), ((uint64_t)w.v[1] >> 2) | ((uint64_t)w.v[2] << 60),
                   ((uint64_t)w.v[2] >> 4) | ((uint64_t)w.v[3] << 58), ((uint64_t)w.v[3] >> 6) | ((uint64_t)w.v[4] << 56),
                   (uint64_t)w.v[4] >> 8};
  // ... reduced by conditional subtraction of 16m, 8m, 4m, 2m and m.
  uint64_t ml[5] = {(uint64_t)m.v[0] | ((uint64_t)m.v[1] << 62), ((uint64_t)m.v[1] >> 2) | ((uint64_t)m.v[2] << 60),
                    ((uint64_t)m.v[2] >> 4) | ((uint64_t)m.v[3] << 58),
                    ((uint64_t)m.v[3] >> 6) | ((uint64_t)m.v[4] << 56), 0};
  for (int k = 4; k >= 0; --k) {
    uint64_t km[5];
    km[0] = ml[0] << k;
    for (int i = 1; i < 5; ++i) km[i] = (ml[i] << k) | (k ? ml[i - 1] >> (64 - k) : 0);
    uint64_t br = 0, dd[5];
    for (int i = 0; i < 5; ++i) dd[i] = sbb(x[i], km[i], br);
    const uint64_t keep = 0 - br;
    for (int i = 0; i < 5; ++i) x[i] = (x[i] & keep) | (dd[i] & ~keep);
  }
  for (int i = 0; i < 4; ++i) out[i] = x[i];
}

bool is_zero_s62(const S62& a) { return (a.v[0] | a.v[1] | a.v[2] | a.v[3] | a.v[4]) == 0; }

template <bool kConstantTime>
void inv_divsteps(uint64_t out[4], const uint64_t a[4], const uint64_t m5[5]) {
  const S62 m = to_s62(m5);
  const uint64_t minv62 = (0 - m5[4]) & kM62;  // m5[4] = -m^-1 mod 2^64
  S62 f = m, g = to_s62(a), d = {{0, 0, 0, 0, 0}}, e = {{1, 0, 0, 0, 0}};
  // delta: 1 for the variable-time steps; zeta = -(1/2 + 1/2) = -1 for the half-delta ones.
  int64_t state = kConstantTime ? -1 : 1;
  for (int b = 0; b < (kConstantTime ? kBatchesCt : kBatchesVar); ++b) {
    if (!kConstantTime && is_zero_s62(g)) break;
    Trans t;
    const uint64_t f0 = (uint64_t)f.v[0] | ((uint64_t)f.v[1] << 62), g0 = (uint64_t)g.v[0] | ((uint64_t)g.v[1] << 62);
    state = kConstantTime ? divsteps_59_ct(state, f0, g0, t) : divsteps_62_var(state, f0, g0, t);
    update_fg(f, g, t);
    update_de(d, e, t, m, minv62);
  }
  // f = +-1 (or f = m when a = 0, where d = 0 gives the wanted 0).
  finish(out, d, (uint64_t)(f.v[4] >> 63), m);
}

}  // namespace

void inv_mod_ct(uint64_t out[4], const uint64_t a[4], const uint64_t m5[5]) { inv_divsteps<true>(out, a, m5); }
void inv_mod_var(uint64_t out[4], const uint64_t a[4], const uint64_t m5[5]) { inv_divsteps<false>(out, a, m5); }

}  // namespace vorn::bn254::detail
