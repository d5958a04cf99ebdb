#include "vorn/bn254/fields.h"

#ifdef VORN_BN254_HAVE_ADX
#include <cpuid.h>
#endif

namespace vorn::bn254::detail {

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
#endif

// ---- Modular inversion by Bernstein-Yang divsteps ---------------------------------------
//
// Values are held in signed radix 2^62: five int64 limbs, the lower four in
// [0, 2^62), the top one signed. Starting from f = m, g = a, d = 0, e = 1, each
// batch runs 62 divsteps on the low 64 bits of f and g, giving an integer matrix
// T = [u v; q r] with |u| + |v| <= 2^62 and |q| + |r| <= 2^62, and then applies
//   (f, g) <- T (f, g) / 2^62           (exact)
//   (d, e) <- T (d, e) / 2^62 mod m     (a multiple of m makes it exact)
// which keeps f = d a and g = e a (mod m). Once g = 0, f = +-1 and a^-1 = f d.
// For m below 2^254, 12 batches (744 divsteps) reach g = 0 for every a (the
// Bernstein-Yang bound for 254-bit inputs is 736).

namespace {

using i128 = __int128;
constexpr uint64_t kM62 = (1ULL << 62) - 1;
constexpr int kBatches = 12;

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

// 62 divsteps on the low bits of f and g, branch-free. delta starts at 1 and
// returns updated. divstep: if delta > 0 and g odd, (delta, f, g) <- (1 - delta, g,
// (g - f)/2); else (1 + delta, f, (g + (g mod 2) f)/2).
int64_t divsteps_62(int64_t delta, uint64_t f, uint64_t g, Trans& t) {
  uint64_t u = 1, v = 0, q = 0, r = 1;
  for (int i = 0; i < 62; ++i) {
    // Swap case: exchange (f, u, v) with (g, q, r), negating the new g side.
    const uint64_t c1 = (uint64_t)((-delta) >> 63) & (0 - (g & 1));
    uint64_t x = (f ^ g) & c1;
    f ^= x;
    g ^= x;
    g = (g ^ c1) - c1;
    x = (u ^ q) & c1;
    u ^= x;
    q ^= x;
    q = (q ^ c1) - c1;
    x = (v ^ r) & c1;
    v ^= x;
    r ^= x;
    r = (r ^ c1) - c1;
    delta = (delta ^ (int64_t)c1) - (int64_t)c1;
    // g odd: add f.
    const uint64_t c2 = 0 - (g & 1);
    g += f & c2;
    q += u & c2;
    r += v & c2;
    g >>= 1;
    u <<= 1;
    v <<= 1;
    delta += 1;
  }
  t = {(int64_t)u, (int64_t)v, (int64_t)q, (int64_t)r};
  return delta;
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
// below 13m < 2^258 and every sum below fits in 128 bits.
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
  int64_t delta = 1;
  for (int b = 0; b < kBatches; ++b) {
    if (!kConstantTime && is_zero_s62(g)) break;
    Trans t;
    const uint64_t f0 = (uint64_t)f.v[0] | ((uint64_t)f.v[1] << 62), g0 = (uint64_t)g.v[0] | ((uint64_t)g.v[1] << 62);
    delta = kConstantTime ? divsteps_62(delta, f0, g0, t) : divsteps_62_var(delta, f0, g0, t);
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
