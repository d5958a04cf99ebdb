// Fixed-base scalar multiplication k*G for the generator G = (1, 2): tables of
// multiples of G built once per process, one read in constant time (secret k), one
// wide table for public k that needs no doubling at all.
#include "vorn/bn254/scalar_mul.h"

#include <mutex>
#include <vector>

#include "vorn/bn254/jacobian.h"
#include "vorn/bn254/scalar_mul_ct_digits.h"
#include "vorn/bn254/scalar_split.h"

namespace vorn::bn254 {

namespace {

using namespace detail::ct_digits;

// A fixed-base table of `positions` rows of `entries` affine points: row i holds
// (j + 1) * (2 entries)^i * G for j = 0..entries-1, i.e. the multiples a signed digit
// of magnitude up to `entries` at position i selects. Built once, then only read.
struct GenRows {
  int entries = 0;
  std::vector<G1Affine> t;
  const G1Affine* row(int i) const { return t.data() + (size_t)i * (size_t)entries; }
};

GenRows build_rows(int positions, int entries) {
  std::vector<G1> proj((size_t)positions * (size_t)entries);
  G1 base = G1::from_affine(g1_generator());
  for (int i = 0; i < positions; ++i) {
    G1* row = proj.data() + (size_t)i * (size_t)entries;
    row[0] = base;
    for (int j = 1; j < entries; ++j) row[j] = row[j - 1] + base;
    base = row[entries - 1].dbl();  // 2 * entries * base
  }
  GenRows table{entries, std::vector<G1Affine>(proj.size())};
  g1_batch_to_affine(proj.data(), table.t.data(), proj.size());
  return table;
}

// The constant-time table: (j+1) * 32^i * G for the signed radix-32 digits.
const GenRows& gen_table() {
  static GenRows table;
  static std::once_flag once;
  std::call_once(once, [] { table = build_rows(kCtDigits, kCtTable); });
  return table;
}

// ---- public k: signed base-2^12 digits of the two GLV halves ----
//
// k = s1 k1 + s2 k2 lambda with k1, k2 < 2^128 (the GLV split), and each half
// written as sum d_i 2^(12 i), i < 11, with signed digits d_i in [-2047, 2048]. The
// table holds j * 2^(12 i) * G for j = 1..2048 and every position i (22,528 affine
// points, 1.6 MB, built on first use in about ten milliseconds), so
// k*G = sum_i s1 d1_i T[i] + sum_i s2 d2_i endo(T[i]): at most 22 additions of an
// affine point and no doubling (endo(x, y) = (beta x, y) costs one product). Wider
// digits trade table size for additions; at 12 bits the additions are about nine
// tenths of the best 10-bit window method's over the whole scalar.
constexpr int kVarWindow = 12;
constexpr int kVarPositions = 11;                   // 11 * 12 = 132 bits >= a half's 128 + carry
constexpr int kVarEntries = 1 << (kVarWindow - 1);  // 2048

const GenRows& gen_var_table() {
  static GenRows table;
  static std::once_flag once;
  std::call_once(once, [] { table = build_rows(kVarPositions, kVarEntries); });
  return table;
}

// Signed base-4096 digits of a value below 2^128 (two limbs), least significant first.
void recode_wide_var(const uint64_t k[2], int d[kVarPositions]) {
  int carry = 0;
  for (int i = 0; i < kVarPositions; ++i) {
    const int pos = kVarWindow * i, limb = pos / 64, off = pos % 64;
    uint64_t v = limb < 2 ? k[limb] >> off : 0;
    if (limb < 1 && off > 64 - kVarWindow) v |= k[limb + 1] << (64 - off);
    int digit = (int)(v & (uint64_t)(2 * kVarEntries - 1)) + carry;
    carry = digit > kVarEntries;
    d[i] = digit - (carry ? 2 * kVarEntries : 0);
  }
}

}  // namespace

G1 g1_mul_gen_var(const Fr& k) {
  if (k.is_zero()) return G1::identity();
  uint64_t k1[2], k2[2], n1, n2;
  detail::glv_split(k, k1, n1, k2, n2);
  int d1[kVarPositions], d2[kVarPositions];
  recode_wide_var(k1, d1);
  recode_wide_var(k2, d2);
  const GenRows& table = gen_var_table();
  const Fq beta = Fq::from_mont(params::GLV_BETA);
  detail::Jac<G1Curve> acc = detail::Jac<G1Curve>::identity();
  for (int i = 0; i < kVarPositions; ++i) {
    const G1Affine* row = table.row(i);
    if (int d = n1 ? -d1[i] : d1[i]; d != 0) acc = acc.add_affine_var(d > 0 ? row[d - 1] : -row[-d - 1]);
    if (int d = n2 ? -d2[i] : d2[i]; d != 0) {
      const G1Affine& t = row[(d > 0 ? d : -d) - 1];
      const G1Affine e{t.x * beta, d > 0 ? t.y : -t.y, false};
      acc = acc.add_affine_var(e);
    }
  }
  return acc.to_proj();
}

G1 g1_mul_gen_ct(const Fr& k) {
  const GenRows& table = gen_table();
  uint64_t kl[4];
  k.to_limbs(kl);
  int64_t d[kCtDigits];
  recode_signed_ct<kCtDigits>(kl, d);
  G1 acc = G1::identity();
  for (int i = 0; i < kCtDigits; ++i) {
    uint64_t mag, neg;
    digit_parts(d[i], mag, neg);
    const G1Affine* row = table.row(i);
    G1Affine t = G1Affine::identity();
    uint64_t found = 0;
    for (uint64_t j = 1; j <= kCtTable; ++j) {
      const uint64_t hit = ct_eq(j, mag);
      t.x = Fq::select(hit, row[j - 1].x, t.x);
      t.y = Fq::select(hit, row[j - 1].y, t.y);
      found |= hit;
    }
    t.y = Fq::select(neg, -t.y, t.y);
    t.infinity = (found ^ 1) != 0;  // digit 0: add nothing
    acc = acc.add_affine(t);
  }
  return acc;
}

}  // namespace vorn::bn254
