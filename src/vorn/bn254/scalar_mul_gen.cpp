// Fixed-base scalar multiplication k*G for the generator G = (1, 2): a table of
// multiples of G built once per process, read in constant time.
#include "vorn/bn254/scalar_mul.h"

#include <mutex>
#include <vector>

#include "vorn/bn254/scalar_mul_ct_digits.h"

namespace vorn::bn254 {

namespace {

using namespace detail::ct_digits;

// Fixed-base table: kGenTable[i][j] = (j+1) * 32^i * G, affine.
struct GenTable {
  std::vector<G1Affine> t;  // kCtDigits * kCtTable entries
  const G1Affine* row(int i) const { return t.data() + (size_t)i * kCtTable; }
};

const GenTable& gen_table() {
  static GenTable table;
  static std::once_flag once;
  std::call_once(once, [] {
    std::vector<G1> proj((size_t)kCtDigits * kCtTable);
    G1 base = G1::from_affine(g1_generator());
    for (int i = 0; i < kCtDigits; ++i) {
      G1* row = proj.data() + (size_t)i * kCtTable;
      row[0] = base;
      for (int j = 1; j < kCtTable; ++j) row[j] = row[j - 1] + base;
      base = row[kCtTable - 1].dbl();  // 32 * base
    }
    table.t.resize(proj.size());
    g1_batch_to_affine(proj.data(), table.t.data(), proj.size());
  });
  return table;
}

}  // namespace

G1 g1_mul_gen_ct(const Fr& k) {
  const GenTable& table = gen_table();
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
