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

namespace {

bool is_one(const uint64_t a[4]) { return a[0] == 1 && (a[1] | a[2] | a[3]) == 0; }

void shr1(uint64_t a[4]) {
  a[0] = (a[0] >> 1) | (a[1] << 63);
  a[1] = (a[1] >> 1) | (a[2] << 63);
  a[2] = (a[2] >> 1) | (a[3] << 63);
  a[3] >>= 1;
}

// a >= b for 256-bit values.
bool geq(const uint64_t a[4], const uint64_t b[4]) {
  for (int i = 3; i >= 0; --i)
    if (a[i] != b[i]) return a[i] > b[i];
  return true;
}

void sub_in_place(uint64_t a[4], const uint64_t b[4]) {
  uint64_t br = 0;
  for (int i = 0; i < 4; ++i) a[i] = sbb(a[i], b[i], br);
}

// x = x / 2 mod m (m odd, x < m).
void half_mod(uint64_t x[4], const uint64_t m[4]) {
  if (x[0] & 1) {
    uint64_t c = 0;
    for (int i = 0; i < 4; ++i) x[i] = adc(x[i], m[i], c);
    shr1(x);
    x[3] |= c << 63;
  } else {
    shr1(x);
  }
}

}  // namespace

void inv_binary_var(uint64_t out[4], const uint64_t a[4], const uint64_t m[4]) {
  if ((a[0] | a[1] | a[2] | a[3]) == 0) {
    for (int i = 0; i < 4; ++i) out[i] = 0;
    return;
  }
  uint64_t u[4] = {a[0], a[1], a[2], a[3]};
  uint64_t v[4] = {m[0], m[1], m[2], m[3]};
  uint64_t x1[4] = {1, 0, 0, 0};
  uint64_t x2[4] = {0, 0, 0, 0};
  while (!is_one(u) && !is_one(v)) {
    while ((u[0] & 1) == 0) {
      shr1(u);
      half_mod(x1, m);
    }
    while ((v[0] & 1) == 0) {
      shr1(v);
      half_mod(x2, m);
    }
    if (geq(u, v)) {
      sub_in_place(u, v);
      mod_sub(x1, x1, x2, m);
    } else {
      sub_in_place(v, u);
      mod_sub(x2, x2, x1, m);
    }
  }
  const uint64_t* r = is_one(u) ? x1 : x2;
  for (int i = 0; i < 4; ++i) out[i] = r[i];
}

}  // namespace vorn::bn254::detail
