// Field laws of Fq2, Fq6 and Fq12, their sparse and special-purpose products, and
// the Frobenius maps against plain powering.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "vorn/bn254/params.h"
#include "vorn/bn254/towers.h"
#include "product_paths.h"

using namespace vorn::bn254;

namespace {

struct Rng {
  std::mt19937_64 g;
  explicit Rng(uint64_t seed) : g(seed) {}
  Fq fq() {
    uint64_t l[4] = {g(), g(), g(), g()};
    return Fq::from_limbs_reduce(l);
  }
  Fq2 fq2() { return {fq(), fq()}; }
  Fq6 fq6() { return {fq2(), fq2(), fq2()}; }
  Fq12 fq12() { return {fq6(), fq6()}; }
};

template <class T>
void expect_field_laws(const T& a, const T& b, const T& c) {
  EXPECT_EQ(a * b, b * a);
  EXPECT_EQ((a * b) * c, a * (b * c));
  EXPECT_EQ(a * (b + c), a * b + a * c);
  EXPECT_EQ(a.sqr(), a * a);
  EXPECT_EQ(a - a, T::zero());
  EXPECT_EQ(a + (-a), T::zero());
  EXPECT_EQ(a * T::one(), a);
  EXPECT_EQ(a * a.inv(), T::one());
  EXPECT_EQ(a.inv(), a.inv_var());
  EXPECT_EQ(T::zero().inv(), T::zero());
  EXPECT_EQ(T::zero().inv_var(), T::zero());
}

TEST(Tower, FieldLaws) {
  Rng rng(1);
  for (int i = 0; i < 8; ++i) {
    expect_field_laws(rng.fq2(), rng.fq2(), rng.fq2());
    expect_field_laws(rng.fq6(), rng.fq6(), rng.fq6());
    expect_field_laws(rng.fq12(), rng.fq12(), rng.fq12());
  }
}

TEST(Tower, DefiningRelations) {
  const Fq2 u{Fq::zero(), Fq::one()};
  const Fq2 xi{Fq::from_u64(9), Fq::one()};
  EXPECT_EQ(u.sqr(), -Fq2::one());
  const Fq6 v{Fq2::zero(), Fq2::one(), Fq2::zero()};
  EXPECT_EQ(v * v * v, (Fq6{xi, Fq2::zero(), Fq2::zero()}));
  const Fq12 w{Fq6::zero(), Fq6::one()};
  EXPECT_EQ(w.sqr(), (Fq12{v, Fq6::zero()}));

  Rng rng(2);
  for (int i = 0; i < 8; ++i) {
    Fq2 a = rng.fq2();
    EXPECT_EQ(a.mul_by_xi(), a * xi);
    EXPECT_EQ(a.conj() * a, (Fq2{a.norm(), Fq::zero()}));
    Fq s = rng.fq();
    EXPECT_EQ(a.mul_fq(s), (a * Fq2{s, Fq::zero()}));
    Fq6 b = rng.fq6();
    EXPECT_EQ(b.mul_by_v(), b * v);
  }
}

TEST(Tower, SparseProductsMatchGeneralOnes) {
  Rng rng(3);
  for (int i = 0; i < 8; ++i) {
    Fq6 a = rng.fq6();
    Fq2 b0 = rng.fq2(), b1 = rng.fq2();
    EXPECT_EQ(a.mul_by_01(b0, b1), (a * Fq6{b0, b1, Fq2::zero()}));
    EXPECT_EQ(a.mul_fq2(b0), (a * Fq6{b0, Fq2::zero(), Fq2::zero()}));
    Fq12 f = rng.fq12();
    Fq2 l0 = rng.fq2(), l3 = rng.fq2(), l4 = rng.fq2();
    Fq12 line{{l0, Fq2::zero(), Fq2::zero()}, {l3, l4, Fq2::zero()}};
    EXPECT_EQ(f.mul_by_034(l0, l3, l4), f * line);
    // Two lines multiplied together first, then folded in, against the full products.
    Fq2 m0 = rng.fq2(), m3 = rng.fq2(), m4 = rng.fq2();
    Fq12 other{{m0, Fq2::zero(), Fq2::zero()}, {m3, m4, Fq2::zero()}};
    const Fq12 both = Fq12::line_product(l0, l3, l4, m0, m3, m4);
    EXPECT_EQ(both, line * other);
    EXPECT_EQ(f.mul_by_line_product(both), f * line * other);
  }
}

// Schoolbook products from single Fq products, one reduction each: the reference for
// the products that keep their sums double-width.
Fq2 ref_mul(const Fq2& a, const Fq2& b) { return {a.c0 * b.c0 - a.c1 * b.c1, a.c0 * b.c1 + a.c1 * b.c0}; }
Fq6 ref_mul(const Fq6& a, const Fq6& b) {
  return {ref_mul(a.c0, b.c0) + (ref_mul(a.c1, b.c2) + ref_mul(a.c2, b.c1)).mul_by_xi(),
          ref_mul(a.c0, b.c1) + ref_mul(a.c1, b.c0) + ref_mul(a.c2, b.c2).mul_by_xi(),
          ref_mul(a.c0, b.c2) + ref_mul(a.c1, b.c1) + ref_mul(a.c2, b.c0)};
}
Fq12 ref_mul(const Fq12& a, const Fq12& b) {
  return {ref_mul(a.c0, b.c0) + ref_mul(a.c1, b.c1).mul_by_v(), ref_mul(a.c0, b.c1) + ref_mul(a.c1, b.c0)};
}

// Every product and square of the tower on the mulx/adx path and on the portable one,
// against the schoolbook reference, on operands whose coordinates are p - 1, zero and
// random values in every pattern: the largest double-width sums, where a bound too
// tight would show.
TEST(Tower, ProductsMatchSchoolbookOnEveryPath) {
  const uint64_t* m = params::FQ_MOD;
  const uint64_t top_l[4] = {m[0] - 1, m[1], m[2], m[3]};
  const Fq top = Fq::from_mont(top_l);
  Rng rng(9);
  std::vector<Fq6> vals = {{{top, top}, {top, top}, {top, top}}, Fq6::zero(), Fq6::one(),
                           {{top, Fq::zero()}, {Fq::zero(), top}, {top, Fq::one()}}};
  for (int i = 0; i < 6; ++i) vals.push_back(rng.fq6());
  // Coordinates drawn from 0, p - 1 and random values: some products then reach the
  // largest double-width coordinates (a0 b0 large where a1 b1 is zero, and so on).
  auto pick = [&] {
    const uint64_t k = rng.g() % 3;
    return k == 0 ? Fq::zero() : k == 1 ? top : rng.fq();
  };
  for (int i = 0; i < 24; ++i) vals.push_back({{pick(), pick()}, {pick(), pick()}, {pick(), pick()}});
  on_every_product_path([&] {
    for (const Fq6& a : vals)
      for (const Fq6& b : vals) {
        ASSERT_EQ(a.c0 * b.c1, ref_mul(a.c0, b.c1));
        ASSERT_EQ(a.c2.sqr(), ref_mul(a.c2, a.c2));
        ASSERT_EQ(a * b, ref_mul(a, b));
        ASSERT_EQ(a.sqr(), ref_mul(a, a));
        ASSERT_EQ(a.mul_by_01(b.c0, b.c1), ref_mul(a, Fq6{b.c0, b.c1, Fq2::zero()}));
        const Fq12 f{a, b}, g{b, a};
        ASSERT_EQ(f * g, ref_mul(f, g));
        ASSERT_EQ(f.sqr(), ref_mul(f, f));
        const Fq12 line{{b.c0, Fq2::zero(), Fq2::zero()}, {b.c1, b.c2, Fq2::zero()}};
        const Fq12 other{{a.c2, Fq2::zero(), Fq2::zero()}, {a.c0, a.c1, Fq2::zero()}};
        ASSERT_EQ(f.mul_by_034(b.c0, b.c1, b.c2), ref_mul(f, line));
        const Fq12 both = Fq12::line_product(b.c0, b.c1, b.c2, a.c2, a.c0, a.c1);
        ASSERT_EQ(both, ref_mul(line, other));
        ASSERT_EQ(f.mul_by_line_product(both), ref_mul(f, both));
      }
  });
}

TEST(Tower, FrobeniusIsPoweringByQ) {
  Rng rng(4);
  for (int i = 0; i < 3; ++i) {
    Fq12 f = rng.fq12();
    Fq12 f1 = f.frobenius(1);
    EXPECT_EQ(f1, f.pow(params::FQ_MOD));
    EXPECT_EQ(f.frobenius(2), f1.frobenius(1));
    EXPECT_EQ(f.frobenius(3), f1.frobenius(1).frobenius(1));
    EXPECT_EQ(f.frobenius(0), f);
    Fq2 a = rng.fq2();
    EXPECT_EQ(a.conj(), a.pow(params::FQ_MOD));
  }
  // Frobenius of an element of order dividing q^6 + 1 is the conjugate after six steps.
  Fq12 f = rng.fq12();
  Fq12 f6 = f.frobenius(3).frobenius(3);
  EXPECT_EQ(f6, f.conj());
}

TEST(Tower, CyclotomicSquareOnTheCyclotomicSubgroup) {
  Rng rng(5);
  for (int i = 0; i < 6; ++i) {
    Fq12 f = rng.fq12();
    // f^((q^6 - 1)(q^2 + 1)) lies in the cyclotomic subgroup.
    Fq12 g = f.conj() * f.inv();
    g = g.frobenius(2) * g;
    EXPECT_EQ(g.cyclotomic_sqr(), g.sqr());
    EXPECT_EQ(g * g.conj(), Fq12::one()) << "conjugation inverts on the subgroup";
  }
}

TEST(Tower, Fq2SquareRoots) {
  Rng rng(6);
  int non_squares = 0;
  for (int i = 0; i < 12; ++i) {
    Fq2 a = rng.fq2();
    Fq2 r;
    ASSERT_TRUE(a.sqr().sqrt_var(r));
    EXPECT_TRUE(r == a || r == -a);
    Fq2 b = rng.fq2(), s = Fq2::one();
    if (b.sqrt_var(s)) {
      EXPECT_EQ(s.sqr(), b);
    } else {
      ++non_squares;
      EXPECT_EQ(s, Fq2::one()) << "a failed root leaves the output untouched";
    }
  }
  EXPECT_GT(non_squares, 0);
  // Roots of elements of Fq, squares or not there: both are squares in Fq2.
  Fq2 r;
  ASSERT_TRUE((Fq2{-Fq::one(), Fq::zero()}).sqrt_var(r));
  EXPECT_EQ(r.sqr(), -Fq2::one());
  ASSERT_TRUE(Fq2::zero().sqrt_var(r));
  EXPECT_TRUE(r.is_zero());
}

}  // namespace
