// The prime fields of BN254: Fq (coordinates) and Fr (scalars).
//
// Both are the template Fp<Params> over four 64-bit limbs in Montgomery form
// (a*2^256 mod p, least significant limb first), always fully reduced below p, so
// equal elements have equal limbs. All arithmetic is branch-free: reductions are
// conditional subtractions selected by masks (or cmov). On x86-64 the carry chains
// are written in assembly: the Montgomery product and the dedicated square use
// mulx/adcx/adox when cpuid reports BMI2 and ADX (portable C otherwise), and sums of
// products gather their columns with mulq/adc, present on every x86-64 processor;
// define VORN_BN254_PORTABLE to use C everywhere. The extension fields also use the
// double-width kernels here (512-bit products, sums and one Montgomery reduction per
// sum of products), on the same two paths. Only functions whose name ends in
// `_var`, and `pow` (whose running time depends on the public exponent only), have
// data-dependent timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "vorn/bn254/params.h"
#include "vorn/core/word.h"

namespace vorn::bn254 {

using u128 = unsigned __int128;

namespace detail {

// Adds with carry: returns a + b + carry_in, sets carry_out (0 or 1).
inline uint64_t adc(uint64_t a, uint64_t b, uint64_t& carry) {
  u128 t = (u128)a + b + carry;
  carry = (uint64_t)(t >> 64);
  return (uint64_t)t;
}

// Subtracts with borrow: returns a - b - borrow_in, sets borrow_out (0 or 1).
inline uint64_t sbb(uint64_t a, uint64_t b, uint64_t& borrow) {
  u128 t = (u128)a - b - borrow;
  borrow = (uint64_t)(t >> 127);
  return (uint64_t)t;
}

// r = t - m when t >= m, else t; branch-free. Requires t < 2m.
inline void cond_sub(uint64_t r[4], const uint64_t t[4], const uint64_t m[4]) {
  uint64_t b = 0, d[4];
  d[0] = sbb(t[0], m[0], b);
  d[1] = sbb(t[1], m[1], b);
  d[2] = sbb(t[2], m[2], b);
  d[3] = sbb(t[3], m[3], b);
  const uint64_t keep = 0 - b;  // all ones when t < m
  r[0] = (t[0] & keep) | (d[0] & ~keep);
  r[1] = (t[1] & keep) | (d[1] & ~keep);
  r[2] = (t[2] & keep) | (d[2] & ~keep);
  r[3] = (t[3] & keep) | (d[3] & ~keep);
}

#if defined(__x86_64__) && !defined(VORN_BN254_PORTABLE)
#define VORN_BN254_HAVE_ADX 1
// True when the processor has BMI2 and ADX (checked once with cpuid); selects the
// mulx/adcx/adox Montgomery product. Not a secret: the same for every input.
extern bool g_use_adx;

// The words an assembly block reads through a pointer, declared as memory inputs:
// the compiler then knows which stores the block depends on, so it may keep its own
// values in registers across the block and schedule around it, and it never takes two
// blocks given the same pointers for the same computation when the words behind them
// changed in between (which it did with a memory clobber alone). Unoptimised builds,
// where each such operand would take one more register, declare a memory clobber.
#ifdef __OPTIMIZE__
#define VORN_BN254_ASM_READS(p, n) , "m"(*(const uint64_t(*)[n])(p))
#define VORN_BN254_ASM_CLOBBERS "cc"
#else
#define VORN_BN254_ASM_READS(p, n)
#define VORN_BN254_ASM_CLOBBERS "cc", "memory"
#endif

// The building blocks of the four-limb carry chains, written once. Each applies one
// instruction per limb (the first may differ, e.g. add then adc) to the operands
// named T0..T3: from the words at the pointer operand P, or from the registers S0..S3.
#define VORN_ASM4_MEM(OP0, OP, P, T)                                                                \
  OP0 " (%[" P "]), %[" T "0]\n\t" OP " 8(%[" P "]), %[" T "1]\n\t" OP " 16(%[" P "]), %[" T     \
      "2]\n\t" OP " 24(%[" P "]), %[" T "3]\n\t"
#define VORN_ASM4_REG(OP0, OP, S, T)                                                                \
  OP0 " %[" S "0], %[" T "0]\n\t" OP " %[" S "1], %[" T "1]\n\t" OP " %[" S "2], %[" T "2]\n\t" OP \
      " %[" S "3], %[" T "3]\n\t"
// U = U - S when U >= S, else U (U0..U3, D0..D3 and S0..S3 are operand texts, least
// significant first; D is scratch): the difference is taken in D and moved into U
// with cmov unless it borrowed. No branch.
#define VORN_ASM_SUB_IF_GE(U0, U1, U2, U3, D0, D1, D2, D3, S0, S1, S2, S3)                          \
  "movq " U0 ", " D0 "\n\t"                                                                       \
  "movq " U1 ", " D1 "\n\t"                                                                       \
  "movq " U2 ", " D2 "\n\t"                                                                       \
  "movq " U3 ", " D3 "\n\t"                                                                       \
  "subq " S0 ", " D0 "\n\t"                                                                       \
  "sbbq " S1 ", " D1 "\n\t"                                                                       \
  "sbbq " S2 ", " D2 "\n\t"                                                                       \
  "sbbq " S3 ", " D3 "\n\t"                                                                       \
  "cmovncq " D0 ", " U0 "\n\t"                                                                    \
  "cmovncq " D1 ", " U1 "\n\t"                                                                    \
  "cmovncq " D2 ", " U2 "\n\t"                                                                    \
  "cmovncq " D3 ", " U3 "\n\t"
// t = t - m when t >= m (t0..t3 below 2m, d0..d3 scratch).
#define VORN_ASM_REDUCE_ONCE                                                                         \
  VORN_ASM_SUB_IF_GE("%[t0]", "%[t1]", "%[t2]", "%[t3]", "%[d0]", "%[d1]", "%[d2]", "%[d3]", "(%[m])", \
                     "8(%[m])", "16(%[m])", "24(%[m])")
// t = t + m when the subtraction just before borrowed: the borrow becomes a mask
// (sbb of a register from itself) that selects m limb by limb (d0..d3 scratch).
#define VORN_ASM_ADD_M_ON_BORROW                                                                     \
  "sbbq %[d0], %[d0]\n\t"                                                                          \
  "movq %[d0], %[d1]\n\t"                                                                          \
  "movq %[d0], %[d2]\n\t"                                                                          \
  "movq %[d0], %[d3]\n\t" VORN_ASM4_MEM("andq", "andq", "m", "d") VORN_ASM4_REG("addq", "adcq", "d", "t")
// t = a b_0 for the first row of a product, on the CF chain alone (the xor clears
// both flags and zeroes z).
#define VORN_MUL_ROW0(T0, T1, T2, T3, T4)                                                            \
  "xorl %k[z], %k[z]\n\t"                                                                          \
  "movq (%[b]), %%rdx\n\t"                                                                         \
  "mulxq (%[a]), %[" T0 "], %[" T1 "]\n\t"                                                          \
  "mulxq 8(%[a]), %[lo], %[" T2 "]\n\t"                                                             \
  "adcxq %[lo], %[" T1 "]\n\t"                                                                      \
  "mulxq 16(%[a]), %[lo], %[" T3 "]\n\t"                                                            \
  "adcxq %[lo], %[" T2 "]\n\t"                                                                      \
  "mulxq 24(%[a]), %[lo], %[" T4 "]\n\t"                                                            \
  "adcxq %[lo], %[" T3 "]\n\t"                                                                      \
  "adcxq %[z], %[" T4 "]\n\t"

// The same product as mont_mul_portable, by rows (CIOS) with mulx and two interleaved
// carry chains (adcx on CF, adox on OF). m points at five words: the modulus, then
// -m^-1 mod 2^64. The top word of m is below 2^62, so no row needs a sixth word: with
// t < 2m on entry to a row, t + a b_i < 2^319 and (t + a b_i + q m) / 2^64 < 2m, so
// the last addition of each chain never carries out and both flags are clear at the
// end of every row, which needs no xor to restart the chains. The reduction word q is
// taken with mulx (which leaves the flags alone). Straight-line code, no
// data-dependent branch.
#define VORN_MONT_ROW(B, T0, T1, T2, T3, T4)            \
  "movq " B ", %%rdx\n\t"                              \
  "mulxq (%[a]), %[lo], %[hi]\n\t"                      \
  "adoxq %[lo], %[" T0 "]\n\t"                         \
  "adcxq %[hi], %[" T1 "]\n\t"                         \
  "mulxq 8(%[a]), %[lo], %[hi]\n\t"                      \
  "adoxq %[lo], %[" T1 "]\n\t"                         \
  "adcxq %[hi], %[" T2 "]\n\t"                         \
  "mulxq 16(%[a]), %[lo], %[hi]\n\t"                      \
  "adoxq %[lo], %[" T2 "]\n\t"                         \
  "adcxq %[hi], %[" T3 "]\n\t"                         \
  "mulxq 24(%[a]), %[lo], %[" T4 "]\n\t"                  \
  "adoxq %[lo], %[" T3 "]\n\t"                         \
  "adcxq %[z], %[" T4 "]\n\t"                          \
  "adoxq %[z], %[" T4 "]\n\t"
// t += q m with q = t0 * -m^-1, then the words move down by one (T0 becomes 0).
// Its first three words are the same in the word-by-word reduction of a 512-bit
// value (mont_reduce_sum_adx): q = t0 * -m^-1 (with mulx, which leaves the flags
// alone), then q m_0..q m_2 added on the two chains.
#define VORN_MONT_REDUCE_HEAD(T0, T1, T2, T3)                                                        \
  "movq %[" T0 "], %%rdx\n\t"                                                                       \
  "mulxq 32(%[m]), %%rdx, %[hi]\n\t"                                                                \
  "mulxq (%[m]), %[lo], %[hi]\n\t"                                                                  \
  "adcxq %[lo], %[" T0 "]\n\t"                                                                      \
  "adoxq %[hi], %[" T1 "]\n\t"                                                                      \
  "mulxq 8(%[m]), %[lo], %[hi]\n\t"                                                                 \
  "adcxq %[lo], %[" T1 "]\n\t"                                                                      \
  "adoxq %[hi], %[" T2 "]\n\t"                                                                      \
  "mulxq 16(%[m]), %[lo], %[hi]\n\t"                                                                \
  "adcxq %[lo], %[" T2 "]\n\t"                                                                      \
  "adoxq %[hi], %[" T3 "]\n\t"
#define VORN_MONT_REDUCE(T0, T1, T2, T3, T4)                                                         \
  VORN_MONT_REDUCE_HEAD(T0, T1, T2, T3)                                                              \
  "mulxq 24(%[m]), %[lo], %[hi]\n\t"                                                                \
  "adcxq %[lo], %[" T3 "]\n\t"                                                                      \
  "adoxq %[hi], %[" T4 "]\n\t"                                                                      \
  "adcxq %[z], %[" T4 "]\n\t"
__attribute__((always_inline)) inline void mont_mul_adx(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[5]) {
  uint64_t t0, t1, t2, t3, t4, lo, hi, z, d;
  __asm__(
      VORN_MUL_ROW0("t0", "t1", "t2", "t3", "t4")
      VORN_MONT_REDUCE("t0", "t1", "t2", "t3", "t4")
      VORN_MONT_ROW("8(%[b])", "t1", "t2", "t3", "t4", "t0")
      VORN_MONT_REDUCE("t1", "t2", "t3", "t4", "t0")
      VORN_MONT_ROW("16(%[b])", "t2", "t3", "t4", "t0", "t1")
      VORN_MONT_REDUCE("t2", "t3", "t4", "t0", "t1")
      VORN_MONT_ROW("24(%[b])", "t3", "t4", "t0", "t1", "t2")
      VORN_MONT_REDUCE("t3", "t4", "t0", "t1", "t2")
      // t = (t4, t0, t1, t2) < 2m: subtract m unless that borrows
      VORN_ASM_SUB_IF_GE("%[t4]", "%[t0]", "%[t1]", "%[t2]", "%[lo]", "%[hi]", "%[z]", "%%rdx", "(%[m])",
                         "8(%[m])", "16(%[m])", "24(%[m])")
      : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [lo] "=&r"(lo),
        [hi] "=&r"(hi), [z] "=&r"(z), "=&d"(d)
      : [a] "r"(a), [b] "r"(b), [m] "r"(m) VORN_BN254_ASM_READS(a, 4) VORN_BN254_ASM_READS(b, 4)
        VORN_BN254_ASM_READS(m, 5)
      : VORN_BN254_ASM_CLOBBERS);
  (void)t3;
  (void)lo;
  (void)hi;
  (void)z;
  (void)d;
  r[0] = t4;
  r[1] = t0;
  r[2] = t1;
  r[3] = t2;
}

// The 512-bit product r = a b for any a, b below 2^256 (not reduced: the
// double-width values of the extension fields, reduced once per sum of products by
// mont_redc). The rows of mont_mul_adx without the reduction: each row adds a b_i to
// the running words with the same two carry chains, and its lowest word is final.
// a b_i plus the running high part (below a) is below 2^320, so no row carries out of
// its five words and both flags are clear after each. r must not overlap a or b.
__attribute__((always_inline)) inline void mul_wide_adx(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]) {
  uint64_t w0, w1, w2, w3, w4, lo, hi, z, d;
  __asm__(
      VORN_MUL_ROW0("w0", "w1", "w2", "w3", "w4")
      "movq %[w0], (%[r])\n\t"
      VORN_MONT_ROW("8(%[b])", "w1", "w2", "w3", "w4", "w0")
      "movq %[w1], 8(%[r])\n\t"
      VORN_MONT_ROW("16(%[b])", "w2", "w3", "w4", "w0", "w1")
      "movq %[w2], 16(%[r])\n\t"
      VORN_MONT_ROW("24(%[b])", "w3", "w4", "w0", "w1", "w2")
      "movq %[w3], 24(%[r])\n\t"
      "movq %[w4], 32(%[r])\n\t"
      "movq %[w0], 40(%[r])\n\t"
      "movq %[w1], 48(%[r])\n\t"
      "movq %[w2], 56(%[r])\n\t"
      : [w0] "=&r"(w0), [w1] "=&r"(w1), [w2] "=&r"(w2), [w3] "=&r"(w3), [w4] "=&r"(w4), [lo] "=&r"(lo),
        [hi] "=&r"(hi), [z] "=&r"(z), "=&d"(d), "=m"(*(uint64_t(*)[8])r)
      : [r] "r"(r), [a] "r"(a), [b] "r"(b) VORN_BN254_ASM_READS(a, 4) VORN_BN254_ASM_READS(b, 4)
      : VORN_BN254_ASM_CLOBBERS);
}
#undef VORN_MONT_ROW
#undef VORN_MONT_REDUCE
#undef VORN_MUL_ROW0

// u = u - s when u >= s, else u; sub/sbb and cmov, no branch.
__attribute__((always_inline)) inline void sub_if_ge_asm(uint64_t u[4], const uint64_t s[4]) {
  uint64_t u0 = u[0], u1 = u[1], u2 = u[2], u3 = u[3], d0, d1, d2, d3;
  __asm__(VORN_ASM_SUB_IF_GE("%[u0]", "%[u1]", "%[u2]", "%[u3]", "%[d0]", "%[d1]", "%[d2]", "%[d3]", "%[s0]",
                             "%[s1]", "%[s2]", "%[s3]")
          : [u0] "+r"(u0), [u1] "+r"(u1), [u2] "+r"(u2), [u3] "+r"(u3), [d0] "=&r"(d0), [d1] "=&r"(d1),
            [d2] "=&r"(d2), [d3] "=&r"(d3)
          : [s0] "m"(s[0]), [s1] "m"(s[1]), [s2] "m"(s[2]), [s3] "m"(s[3])
          : "cc");
  u[0] = u0;
  u[1] = u1;
  u[2] = u2;
  u[3] = u3;
}

// s = (t + Q m) / 2^256 for the 512-bit t = (t7..t0), where Q < 2^256 clears the low
// half: the low half is reduced word by word (q_i = t_i * -m^-1, t += q_i m 2^(64i)),
// which leaves at most m, and the high half is added, so s <= m + (t7..t4). The caller
// brings s below m with conditional subtractions; s must stay below 2^256 (the high
// half below 2^256 - m). No reduction step carries out of its window, so the flags are
// clear at the end of each. Straight-line code, no data-dependent branch.
__attribute__((always_inline)) inline void mont_reduce_sum_adx(uint64_t s[4], uint64_t t0, uint64_t t1, uint64_t t2,
                                                               uint64_t t3, uint64_t t4, uint64_t t5, uint64_t t6,
                                                               uint64_t t7, const uint64_t m[5]) {
  uint64_t lo, hi, z, d;
#define VORN_MONT_REDUCE_WORD(T0, T1, T2, T3)          \
  VORN_MONT_REDUCE_HEAD(T0, T1, T2, T3)                \
  "mulxq 24(%[m]), %[lo], %[" T0 "]\n\t"               \
  "adcxq %[lo], %[" T3 "]\n\t"                         \
  "adoxq %[z], %[" T0 "]\n\t"                          \
  "adcxq %[z], %[" T0 "]\n\t"
  __asm__(
      "xorl %k[z], %k[z]\n\t"
      VORN_MONT_REDUCE_WORD("t0", "t1", "t2", "t3")
      VORN_MONT_REDUCE_WORD("t1", "t2", "t3", "t0")
      VORN_MONT_REDUCE_WORD("t2", "t3", "t0", "t1")
      VORN_MONT_REDUCE_WORD("t3", "t0", "t1", "t2")
      "addq %[t4], %[t0]\n\t"
      "adcq %[t5], %[t1]\n\t"
      "adcq %[t6], %[t2]\n\t"
      "adcq %[t7], %[t3]\n\t"
      : [t0] "+r"(t0), [t1] "+r"(t1), [t2] "+r"(t2), [t3] "+r"(t3), [lo] "=&r"(lo), [hi] "=&r"(hi), [z] "=&r"(z),
        "=&d"(d)
      : [t4] "r"(t4), [t5] "r"(t5), [t6] "r"(t6), [t7] "r"(t7), [m] "r"(m) VORN_BN254_ASM_READS(m, 5)
      : "cc");
#undef VORN_MONT_REDUCE_WORD
#undef VORN_MONT_REDUCE_HEAD
  s[0] = t0;
  s[1] = t1;
  s[2] = t2;
  s[3] = t3;
}

// Montgomery square r = a^2/2^256 mod m for a < m: the same value as mont_mul_adx(r,
// a, a, m) from 10 word products instead of 16. The six cross products a_i a_j (i <
// j) are summed, doubled and joined by the four squares a_i^2 (two carry chains, CF
// doubling and OF adding). The low half of the 512-bit square is then reduced word by
// word (q_i = t_i * -m^-1, t += q_i m 2^(64i)), which leaves at most m, and the high
// half, below m^2/2^256 < m/4, is added: the sum is below 2m, and a conditional
// subtraction of m ends. As in the product, no reduction step carries out of its
// window, so the flags are clear at the end of each. Straight-line code, no
// data-dependent branch.
__attribute__((always_inline)) inline void mont_sqr_adx(uint64_t r[4], const uint64_t a[4], const uint64_t m[5]) {
  uint64_t t0, t1, t2, t3, t4, t5, t6, t7, lo, hi, z, d;
  __asm__(
      // cross products: t1..t6
      "movq (%[a]), %%rdx\n\t"
      "mulxq 8(%[a]), %[t1], %[t2]\n\t"
      "mulxq 16(%[a]), %[lo], %[t3]\n\t"
      "addq %[lo], %[t2]\n\t"
      "mulxq 24(%[a]), %[lo], %[t4]\n\t"
      "adcq %[lo], %[t3]\n\t"
      "movq 8(%[a]), %%rdx\n\t"
      "mulxq 24(%[a]), %[lo], %[t5]\n\t"
      "adcq %[lo], %[t4]\n\t"
      "adcq $0, %[t5]\n\t"
      "mulxq 16(%[a]), %[lo], %[hi]\n\t"
      "xorl %k[z], %k[z]\n\t"
      "adcxq %[lo], %[t3]\n\t"
      "adoxq %[hi], %[t4]\n\t"
      "movq 16(%[a]), %%rdx\n\t"
      "mulxq 24(%[a]), %[lo], %[t6]\n\t"
      "adcxq %[z], %[t4]\n\t"
      "adoxq %[lo], %[t5]\n\t"
      "adcxq %[z], %[t5]\n\t"
      "adoxq %[z], %[t6]\n\t"
      "adcxq %[z], %[t6]\n\t"
      // doubled, plus the squares: t0..t7
      "movq (%[a]), %%rdx\n\t"
      "mulxq %%rdx, %[t0], %[hi]\n\t"
      "xorl %k[z], %k[z]\n\t"
      "adcxq %[t1], %[t1]\n\t"
      "adoxq %[hi], %[t1]\n\t"
      "movq 8(%[a]), %%rdx\n\t"
      "mulxq %%rdx, %[lo], %[hi]\n\t"
      "adcxq %[t2], %[t2]\n\t"
      "adoxq %[lo], %[t2]\n\t"
      "adcxq %[t3], %[t3]\n\t"
      "adoxq %[hi], %[t3]\n\t"
      "movq 16(%[a]), %%rdx\n\t"
      "mulxq %%rdx, %[lo], %[hi]\n\t"
      "adcxq %[t4], %[t4]\n\t"
      "adoxq %[lo], %[t4]\n\t"
      "adcxq %[t5], %[t5]\n\t"
      "adoxq %[hi], %[t5]\n\t"
      "movq 24(%[a]), %%rdx\n\t"
      "mulxq %%rdx, %[lo], %[t7]\n\t"
      "adcxq %[t6], %[t6]\n\t"
      "adoxq %[lo], %[t6]\n\t"
      "adcxq %[z], %[t7]\n\t"
      "adoxq %[z], %[t7]\n\t"
      : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4), [t5] "=&r"(t5),
        [t6] "=&r"(t6), [t7] "=&r"(t7), [lo] "=&r"(lo), [hi] "=&r"(hi), [z] "=&r"(z), "=&d"(d)
      : [a] "r"(a) VORN_BN254_ASM_READS(a, 4)
      : "cc");
  // Reduce the low half and add the high half (below m/4), then subtract m when the
  // sum is m or more. A separate block: the square's registers are free.
  mont_reduce_sum_adx(r, t0, t1, t2, t3, t4, t5, t6, t7, m);
  sub_if_ge_asm(r, m);
}
#endif

// Montgomery product r = a*b/2^256 mod m for a, b < m, CIOS without the extra carry
// word: valid because the top limb of m is below 2^62.
inline void mont_mul_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4],
                              uint64_t inv) {
  uint64_t t0 = 0, t1 = 0, t2 = 0, t3 = 0;
  for (int i = 0; i < 4; ++i) {
    const uint64_t bi = b[i];
    u128 s = (u128)a[0] * bi + t0;
    uint64_t A = (uint64_t)(s >> 64);
    t0 = (uint64_t)s;
    const uint64_t mm = t0 * inv;
    u128 c = (u128)mm * m[0] + t0;
    uint64_t C = (uint64_t)(c >> 64);

    s = (u128)a[1] * bi + t1 + A;
    A = (uint64_t)(s >> 64);
    c = (u128)mm * m[1] + (uint64_t)s + C;
    C = (uint64_t)(c >> 64);
    t0 = (uint64_t)c;

    s = (u128)a[2] * bi + t2 + A;
    A = (uint64_t)(s >> 64);
    c = (u128)mm * m[2] + (uint64_t)s + C;
    C = (uint64_t)(c >> 64);
    t1 = (uint64_t)c;

    s = (u128)a[3] * bi + t3 + A;
    A = (uint64_t)(s >> 64);
    c = (u128)mm * m[3] + (uint64_t)s + C;
    C = (uint64_t)(c >> 64);
    t2 = (uint64_t)c;

    t3 = C + A;
  }
  const uint64_t t[4] = {t0, t1, t2, t3};
  cond_sub(r, t, m);
}

#ifdef VORN_BN254_HAVE_ADX
// The portable product and square, out of line: the path of processors without
// mulx/adx, kept apart so that the inlined product is the assembly alone.
void mont_mul_fallback(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[5]);

// The same through a local array: r (often an element returned by value) then needs
// no address of its own, and its words stay plain registers (the empty block), so
// the compiler writes r word by word on both paths; merged into vector stores, the
// words would reach the next product late.
__attribute__((always_inline)) inline void mont_mul_fallback_words(uint64_t r[4], const uint64_t a[4], const uint64_t b[4],
                                                                   const uint64_t m[5]) {
  uint64_t t[4];
  mont_mul_fallback(t, a, b, m);
  uint64_t t0 = t[0], t1 = t[1], t2 = t[2], t3 = t[3];
  __asm__("" : "+r"(t0), "+r"(t1), "+r"(t2), "+r"(t3));
  r[0] = t0;
  r[1] = t1;
  r[2] = t2;
  r[3] = t3;
}
#endif

// Montgomery product, through the fastest available code path. m points at the
// modulus followed by -m^-1 mod 2^64.
__attribute__((always_inline)) inline void mont_mul(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[5]) {
#ifdef VORN_BN254_HAVE_ADX
  if (g_use_adx) {
    mont_mul_adx(r, a, b, m);
    return;
  }
  mont_mul_fallback_words(r, a, b, m);
#else
  mont_mul_portable(r, a, b, m, m[4]);
#endif
}

// Montgomery square r = a^2/2^256 mod m for a < m: the same value as mont_mul(r, a, a,
// m), with fewer word products on the mulx/adx path.
__attribute__((always_inline)) inline void mont_sqr(uint64_t r[4], const uint64_t a[4], const uint64_t m[5]) {
#ifdef VORN_BN254_HAVE_ADX
  if (g_use_adx) {
    mont_sqr_adx(r, a, m);
    return;
  }
  mont_mul_fallback_words(r, a, a, m);
#else
  mont_mul_portable(r, a, a, m, m[4]);
#endif
}

// ---- Double-width values (lazy reduction) ---------------------------------------------
//
// The extension fields gather sums and differences of products as unreduced 512-bit
// values and reduce each coordinate once: mul_wide gives the product, wide_add and
// wide_sub add and subtract (exactly: the caller keeps the values in range, adding
// multiples of m^2 before a subtraction), and mont_redc reduces.

// r = a b (512 bits) for any a, b below 2^256.
constexpr void mul_wide_portable(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]) {
  uint64_t t[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) {
    uint64_t c = 0;
    for (int j = 0; j < 4; ++j) {
      const u128 s = (u128)a[j] * b[i] + t[i + j] + c;
      t[i + j] = (uint64_t)s;
      c = (uint64_t)(s >> 64);
    }
    t[i + 4] = c;
  }
  for (int i = 0; i < 8; ++i) r[i] = t[i];
}

// s = (t + Q m) / 2^256, Q < 2^256 clearing the low half: at most m + (t7..t4), as for
// mont_reduce_sum_adx.
inline void mont_reduce_sum_portable(uint64_t s[4], const uint64_t t[8], const uint64_t m[5]) {
  uint64_t u0 = t[0], u1 = t[1], u2 = t[2], u3 = t[3];
  for (int i = 0; i < 4; ++i) {
    const uint64_t q = u0 * m[4];
    u128 c = (u128)q * m[0] + u0;
    c = (u128)q * m[1] + u1 + (uint64_t)(c >> 64);
    u0 = (uint64_t)c;
    c = (u128)q * m[2] + u2 + (uint64_t)(c >> 64);
    u1 = (uint64_t)c;
    c = (u128)q * m[3] + u3 + (uint64_t)(c >> 64);
    u2 = (uint64_t)c;
    u3 = (uint64_t)(c >> 64);
  }
  uint64_t k = 0;
  s[0] = adc(u0, t[4], k);
  s[1] = adc(u1, t[5], k);
  s[2] = adc(u2, t[6], k);
  s[3] = adc(u3, t[7], k);
}

// r = t / 2^256 mod m, canonical, for t below kSteps m 2^256 (kSteps 1 or 2): the sum
// above is then below (kSteps + 1) m, and conditional subtractions of 2m (when
// kSteps is 2) and of m bring it below m. m2 is 2m.
template <int kSteps>
inline void mont_redc_portable(uint64_t r[4], const uint64_t t[8], const uint64_t m[5], const uint64_t m2[4]) {
  static_assert(kSteps == 1 || kSteps == 2, "one or two conditional subtractions");
  mont_reduce_sum_portable(r, t, m);
  if constexpr (kSteps == 2) cond_sub(r, r, m2);
  cond_sub(r, r, m);
}

#ifdef VORN_BN254_HAVE_ADX
// The portable double-width product and reduction, out of line (as mont_mul_fallback).
void mul_wide_fallback(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]);
void mont_redc_fallback(uint64_t r[4], const uint64_t t[8], const uint64_t m[5], const uint64_t m2[4], int steps);
#endif

// True when the mulx/adx kernels are in use (the run-time choice of the product).
inline bool use_adx() {
#ifdef VORN_BN254_HAVE_ADX
  return g_use_adx;
#else
  return false;
#endif
}

// The double-width product and reduction on the path kAdx names (the mulx/adx code,
// or the portable one), for sums of products that choose the path once for all their
// products; r must not overlap a or b. kAdx requires use_adx().
template <bool kAdx>
__attribute__((always_inline)) inline void mul_wide_on(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]) {
#ifdef VORN_BN254_HAVE_ADX
  if constexpr (kAdx) {
    mul_wide_adx(r, a, b);
    return;
  }
  mul_wide_fallback(r, a, b);
#else
  mul_wide_portable(r, a, b);
#endif
}

// The reduction of mont_redc_portable on the path kAdx names.
template <int kSteps, bool kAdx>
__attribute__((always_inline)) inline void mont_redc_on(uint64_t r[4], const uint64_t t[8], const uint64_t m[5],
                                                        const uint64_t m2[4]) {
#ifdef VORN_BN254_HAVE_ADX
  if constexpr (kAdx) {
    mont_reduce_sum_adx(r, t[0], t[1], t[2], t[3], t[4], t[5], t[6], t[7], m);
    if constexpr (kSteps == 2) sub_if_ge_asm(r, m2);
    sub_if_ge_asm(r, m);
    return;
  }
  mont_redc_fallback(r, t, m, m2, kSteps);
#else
  mont_redc_portable<kSteps>(r, t, m, m2);
#endif
}

// The same two through the fastest available path.
__attribute__((always_inline)) inline void mul_wide(uint64_t r[8], const uint64_t a[4], const uint64_t b[4]) {
  if (use_adx())
    mul_wide_on<true>(r, a, b);
  else
    mul_wide_on<false>(r, a, b);
}
template <int kSteps>
__attribute__((always_inline)) inline void mont_redc(uint64_t r[4], const uint64_t t[8], const uint64_t m[5],
                                                     const uint64_t m2[4]) {
  if (use_adx())
    mont_redc_on<kSteps, true>(r, t, m, m2);
  else
    mont_redc_on<kSteps, false>(r, t, m, m2);
}

// r = a + b, r = a - b, r = a + b - c and r = a - b - c on 512-bit values (the caller
// keeps them in range: no carry out of a sum, no borrow out of a difference).
inline void wide_add_portable(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) {
  uint64_t c = 0;
  for (int i = 0; i < 8; ++i) r[i] = adc(a[i], b[i], c);
}
inline void wide_sub_portable(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) {
  uint64_t c = 0;
  for (int i = 0; i < 8; ++i) r[i] = sbb(a[i], b[i], c);
}
inline void wide_add_sub_portable(uint64_t r[8], const uint64_t a[8], const uint64_t b[8], const uint64_t c[8]) {
  wide_add_portable(r, a, b);
  wide_sub_portable(r, r, c);
}
inline void wide_sub2_portable(uint64_t r[8], const uint64_t a[8], const uint64_t b[8], const uint64_t c[8]) {
  wide_sub_portable(r, a, b);
  wide_sub_portable(r, r, c);
}
// r = a + b on 256-bit values (no reduction; the caller keeps the sum below 2^256).
inline void add4_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4]) {
  uint64_t c = 0;
  for (int i = 0; i < 4; ++i) r[i] = adc(a[i], b[i], c);
}

#ifdef VORN_BN254_HAVE_ADX
// The same in plain x86-64 (as mod_add: no cpuid check needed): a is loaded into
// eight registers, each further operand is one carry chain over them, and r (which
// may be any of the operands) is written at the end.
#define VORN_WIDE_PASS(OP0, OP, P)                                                                    \
  OP0 " (%[" P "]), %[t0]\n\t" OP " 8(%[" P "]), %[t1]\n\t" OP " 16(%[" P "]), %[t2]\n\t" OP          \
      " 24(%[" P "]), %[t3]\n\t" OP " 32(%[" P "]), %[t4]\n\t" OP " 40(%[" P "]), %[t5]\n\t" OP      \
      " 48(%[" P "]), %[t6]\n\t" OP " 56(%[" P "]), %[t7]\n\t"
#define VORN_WIDE_OP(PASSES, ...)                                                                     \
  uint64_t t0, t1, t2, t3, t4, t5, t6, t7;                                                            \
  __asm__("movq (%[a]), %[t0]\n\t"                                                                    \
          "movq 8(%[a]), %[t1]\n\t"                                                                   \
          "movq 16(%[a]), %[t2]\n\t"                                                                  \
          "movq 24(%[a]), %[t3]\n\t"                                                                  \
          "movq 32(%[a]), %[t4]\n\t"                                                                  \
          "movq 40(%[a]), %[t5]\n\t"                                                                  \
          "movq 48(%[a]), %[t6]\n\t"                                                                  \
          "movq 56(%[a]), %[t7]\n\t" PASSES                                                           \
          : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [t4] "=&r"(t4),           \
            [t5] "=&r"(t5), [t6] "=&r"(t6), [t7] "=&r"(t7)                                            \
          : [a] "r"(a) VORN_BN254_ASM_READS(a, 8) __VA_ARGS__                                        \
          : VORN_BN254_ASM_CLOBBERS);                                                                 \
  r[0] = t0;                                                                                          \
  r[1] = t1;                                                                                          \
  r[2] = t2;                                                                                          \
  r[3] = t3;                                                                                          \
  r[4] = t4;                                                                                          \
  r[5] = t5;                                                                                          \
  r[6] = t6;                                                                                          \
  r[7] = t7;
__attribute__((always_inline)) inline void wide_add(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) {
  VORN_WIDE_OP(VORN_WIDE_PASS("addq", "adcq", "b"), , [b] "r"(b) VORN_BN254_ASM_READS(b, 8))
}
__attribute__((always_inline)) inline void wide_sub(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) {
  VORN_WIDE_OP(VORN_WIDE_PASS("subq", "sbbq", "b"), , [b] "r"(b) VORN_BN254_ASM_READS(b, 8))
}
__attribute__((always_inline)) inline void wide_add_sub(uint64_t r[8], const uint64_t a[8], const uint64_t b[8],
                                                        const uint64_t c[8]) {
  VORN_WIDE_OP(VORN_WIDE_PASS("addq", "adcq", "b") VORN_WIDE_PASS("subq", "sbbq", "c"), , [b] "r"(b),
               [c] "r"(c) VORN_BN254_ASM_READS(b, 8) VORN_BN254_ASM_READS(c, 8))
}
__attribute__((always_inline)) inline void wide_sub2(uint64_t r[8], const uint64_t a[8], const uint64_t b[8],
                                                     const uint64_t c[8]) {
  VORN_WIDE_OP(VORN_WIDE_PASS("subq", "sbbq", "b") VORN_WIDE_PASS("subq", "sbbq", "c"), , [b] "r"(b),
               [c] "r"(c) VORN_BN254_ASM_READS(b, 8) VORN_BN254_ASM_READS(c, 8))
}
#undef VORN_WIDE_OP
#undef VORN_WIDE_PASS
__attribute__((always_inline)) inline void add4(uint64_t r[4], const uint64_t a[4], const uint64_t b[4]) {
  uint64_t t0, t1, t2, t3;
  __asm__(VORN_ASM4_MEM("movq", "movq", "a", "t") VORN_ASM4_MEM("addq", "adcq", "b", "t")
          : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3)
          : [a] "r"(a), [b] "r"(b) VORN_BN254_ASM_READS(a, 4) VORN_BN254_ASM_READS(b, 4)
          : VORN_BN254_ASM_CLOBBERS);
  r[0] = t0;
  r[1] = t1;
  r[2] = t2;
  r[3] = t3;
}
#else
inline void wide_add(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) { wide_add_portable(r, a, b); }
inline void wide_sub(uint64_t r[8], const uint64_t a[8], const uint64_t b[8]) { wide_sub_portable(r, a, b); }
inline void wide_add_sub(uint64_t r[8], const uint64_t a[8], const uint64_t b[8], const uint64_t c[8]) {
  wide_add_sub_portable(r, a, b, c);
}
inline void wide_sub2(uint64_t r[8], const uint64_t a[8], const uint64_t b[8], const uint64_t c[8]) {
  wide_sub2_portable(r, a, b, c);
}
inline void add4(uint64_t r[4], const uint64_t a[4], const uint64_t b[4]) { add4_portable(r, a, b); }
#endif

// r = (a + b) mod m for a, b < m (m < 2^255, so the sum does not overflow).
inline void mod_add_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  uint64_t c = 0, t[4];
  t[0] = adc(a[0], b[0], c);
  t[1] = adc(a[1], b[1], c);
  t[2] = adc(a[2], b[2], c);
  t[3] = adc(a[3], b[3], c);
  cond_sub(r, t, m);
}

// r = (a - b) mod m for a, b < m.
inline void mod_sub_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  uint64_t br = 0, t[4];
  t[0] = sbb(a[0], b[0], br);
  t[1] = sbb(a[1], b[1], br);
  t[2] = sbb(a[2], b[2], br);
  t[3] = sbb(a[3], b[3], br);
  const uint64_t mask = 0 - br;  // all ones when a < b: add m back
  uint64_t c = 0;
  r[0] = adc(t[0], m[0] & mask, c);
  r[1] = adc(t[1], m[1] & mask, c);
  r[2] = adc(t[2], m[2] & mask, c);
  r[3] = adc(t[3], m[3] & mask, c);
}

// r = (9a + b) mod m and r = (9a - b) mod m for a, b < m.
inline void mod_mul9_add_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  uint64_t t[4];
  mod_add_portable(t, a, a, m);
  mod_add_portable(t, t, t, m);
  mod_add_portable(t, t, t, m);
  mod_add_portable(t, t, a, m);
  mod_add_portable(r, t, b, m);
}
inline void mod_mul9_sub_portable(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  uint64_t t[4];
  mod_add_portable(t, a, a, m);
  mod_add_portable(t, t, t, m);
  mod_add_portable(t, t, t, m);
  mod_add_portable(t, t, a, m);
  mod_sub_portable(r, t, b, m);
}

#ifdef VORN_BN254_HAVE_ADX
// The same two operations in plain x86-64 (add/adc/sub/sbb/cmov, present on every
// x86-64 processor): the compiler's rendering of the carry chains is several times
// slower. Straight-line code, no data-dependent branch.
// The shell of the four operations below: a, b and m in memory, t0..t3 the result,
// d0..d3 scratch.
#define VORN_MOD_OP(BODY)                                                                             \
  uint64_t t0, t1, t2, t3, d0, d1, d2, d3;                                                            \
  __asm__(BODY                                                                                        \
          : [t0] "=&r"(t0), [t1] "=&r"(t1), [t2] "=&r"(t2), [t3] "=&r"(t3), [d0] "=&r"(d0), [d1] "=&r"(d1), \
            [d2] "=&r"(d2), [d3] "=&r"(d3)                                                            \
          : [a] "r"(a), [b] "r"(b), [m] "r"(m) VORN_BN254_ASM_READS(a, 4) VORN_BN254_ASM_READS(b, 4)  \
            VORN_BN254_ASM_READS(m, 4)                                                                \
          : VORN_BN254_ASM_CLOBBERS);                                                                 \
  (void)d0;                                                                                           \
  (void)d1;                                                                                           \
  (void)d2;                                                                                           \
  (void)d3;                                                                                           \
  r[0] = t0;                                                                                          \
  r[1] = t1;                                                                                          \
  r[2] = t2;                                                                                          \
  r[3] = t3;
// t = 2t mod m for t < m.
#define VORN_ASM_MOD_DBL VORN_ASM4_REG("addq", "adcq", "t", "t") VORN_ASM_REDUCE_ONCE
// t = 8a mod m: a loaded, then doubled three times.
#define VORN_ASM_MOD_MUL8 VORN_ASM4_MEM("movq", "movq", "a", "t") VORN_ASM_MOD_DBL VORN_ASM_MOD_DBL VORN_ASM_MOD_DBL

__attribute__((always_inline)) inline void mod_add(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  VORN_MOD_OP(VORN_ASM4_MEM("movq", "movq", "a", "t") VORN_ASM4_MEM("addq", "adcq", "b", "t") VORN_ASM_REDUCE_ONCE)
}

__attribute__((always_inline)) inline void mod_sub(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  VORN_MOD_OP(VORN_ASM4_MEM("movq", "movq", "a", "t") VORN_ASM4_MEM("subq", "sbbq", "b", "t") VORN_ASM_ADD_M_ON_BORROW)
}

// r = (9a + b) mod m and r = (9a - b) mod m for a, b < m: the products by
// xi = 9 + u in Fq2, as five modular additions kept in registers.
__attribute__((always_inline)) inline void mod_mul9_add(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  VORN_MOD_OP(VORN_ASM_MOD_MUL8 VORN_ASM4_MEM("addq", "adcq", "a", "t") VORN_ASM_REDUCE_ONCE
                  VORN_ASM4_MEM("addq", "adcq", "b", "t") VORN_ASM_REDUCE_ONCE)
}

__attribute__((always_inline)) inline void mod_mul9_sub(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  VORN_MOD_OP(VORN_ASM_MOD_MUL8 VORN_ASM4_MEM("addq", "adcq", "a", "t") VORN_ASM_REDUCE_ONCE
                  VORN_ASM4_MEM("subq", "sbbq", "b", "t") VORN_ASM_ADD_M_ON_BORROW)
}
#undef VORN_ASM_MOD_MUL8
#undef VORN_ASM_MOD_DBL
#undef VORN_MOD_OP
#else
__attribute__((always_inline)) inline void mod_add(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  mod_add_portable(r, a, b, m);
}
__attribute__((always_inline)) inline void mod_sub(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  mod_sub_portable(r, a, b, m);
}
__attribute__((always_inline)) inline void mod_mul9_add(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  mod_mul9_add_portable(r, a, b, m);
}
__attribute__((always_inline)) inline void mod_mul9_sub(uint64_t r[4], const uint64_t a[4], const uint64_t b[4], const uint64_t m[4]) {
  mod_mul9_sub_portable(r, a, b, m);
}
#endif

// ---- Sums of products with one Montgomery reduction ----------------------------------
//
// sop_mont computes (c*2^256 + a_0 b_0 + ... + a_{n-1} b_{n-1}) / 2^256 mod m for
// Montgomery-form operands below m: the Montgomery form of c + sum a_k b_k, with one
// reduction for the whole sum instead of one per product. The 512-bit sum is gathered
// column by column (product scanning): column j collects every a_k[i] b_k[j-i] and
// every q_i m[j-i], where q_i is the reduction word chosen at column i < 4 to clear
// that column's low word; two 192-bit accumulators take the terms in turn, so the
// additions form two independent carry chains, and are merged at the end of the
// column. The result is exact because m < 0.19 * 2^256 (both BN254 primes): with at
// most kSopChunk products, sum + c*2^256 + q*m stays below 2^512 and the reduced value
// u is below (0.19 n + 1 + [c given]) m < 2^256; sop_steps conditional subtractions of
// 4m, 2m and m (the last ones) make it canonical. Straight-line code for a given n.
inline constexpr size_t kSopChunk = 16;

// (c2:c1:c0) += x*y.
inline void mac_portable(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t x, uint64_t y) {
  const u128 p = (u128)x * y;
  const u128 s0 = (u128)c0 + (uint64_t)p;
  c0 = (uint64_t)s0;
  const u128 s1 = (u128)c1 + (uint64_t)(p >> 64) + (uint64_t)(s0 >> 64);
  c1 = (uint64_t)s1;
  c2 += (uint64_t)(s1 >> 64);
}

// (c2:c1:c0) += (d2:d1:d0).
inline void add3_portable(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t d0, uint64_t d1, uint64_t d2) {
  uint64_t k = 0;
  c0 = adc(c0, d0, k);
  c1 = adc(c1, d1, k);
  c2 = c2 + d2 + k;
}

#ifdef VORN_BN254_HAVE_ADX
// The same two steps with mulq and add/adc: base x86-64 instructions, so no cpuid
// check is needed, and in column order they are as fast as mulx/adcx/adox.
__attribute__((always_inline)) inline void mac_asm(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t x,
                                                   const uint64_t& y) {
  uint64_t hi;
  __asm__("mulq %[y]\n\t"
          "addq %%rax, %[c0]\n\t"
          "adcq %%rdx, %[c1]\n\t"
          "adcq $0, %[c2]"
          : [c0] "+r"(c0), [c1] "+r"(c1), [c2] "+r"(c2), "+a"(x), "=&d"(hi)
          : [y] "m"(y)
          : "cc");
}

__attribute__((always_inline)) inline void add3_asm(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t d0,
                                                    uint64_t d1, uint64_t d2) {
  __asm__("addq %[d0], %[c0]\n\t"
          "adcq %[d1], %[c1]\n\t"
          "adcq %[d2], %[c2]"
          : [c0] "+r"(c0), [c1] "+r"(c1), [c2] "+r"(c2)
          : [d0] "r"(d0), [d1] "r"(d1), [d2] "r"(d2)
          : "cc");
}

#endif

template <bool kAsm>
__attribute__((always_inline)) inline void mac(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t x,
                                               const uint64_t& y) {
#ifdef VORN_BN254_HAVE_ADX
  if constexpr (kAsm) {
    mac_asm(c0, c1, c2, x, y);
    return;
  }
#endif
  mac_portable(c0, c1, c2, x, y);
}

template <bool kAsm>
__attribute__((always_inline)) inline void add3(uint64_t& c0, uint64_t& c1, uint64_t& c2, uint64_t d0, uint64_t d1,
                                                uint64_t d2) {
#ifdef VORN_BN254_HAVE_ADX
  if constexpr (kAsm) {
    add3_asm(c0, c1, c2, d0, d1, d2);
    return;
  }
#endif
  add3_portable(c0, c1, c2, d0, d1, d2);
}

template <bool kAsm>
__attribute__((always_inline)) inline void sub_if_ge(uint64_t u[4], const uint64_t s[4]) {
#ifdef VORN_BN254_HAVE_ADX
  if constexpr (kAsm) {
    sub_if_ge_asm(u, s);
    return;
  }
#endif
  cond_sub(u, u, s);
}

// 2^k m for the modulus m (four limbs, below 2^254) and k = 1, 2.
template <const uint64_t* M>
struct ModMultiples {
  static constexpr uint64_t shifted(int k, int i) { return (M[i] << k) | (i ? M[i - 1] >> (64 - k) : 0); }
  static constexpr uint64_t two[4] = {shifted(1, 0), shifted(1, 1), shifted(1, 2), shifted(1, 3)};
  static constexpr uint64_t four[4] = {shifted(2, 0), shifted(2, 1), shifted(2, 2), shifted(2, 3)};
};

// How many of the conditional subtractions of 4m, 2m, m (the last ones) bring the
// reduced sum of `terms` products, plus c when `with_c`, into [0, m); 0 when the count
// is too large for one reduction. m < (top + 1) 2^192, so the reduced sum is below
// bound / 2^64 * m with bound = terms (top + 1) + (1 + with_c) 2^64, and it fits in
// 256 bits (and the unreduced sum in 512) when bound (top + 1) <= 2^128.
constexpr int sop_steps(size_t terms, bool with_c, uint64_t top) {
  const u128 q = (u128)top + 1;
  const u128 bound = (u128)terms * q + ((u128)(with_c ? 2 : 1) << 64);
  if (terms > 64 || bound > ~(u128)0 / q) return 0;
  if (bound <= ((u128)2 << 64)) return 1;
  if (bound <= ((u128)4 << 64)) return 2;
  if (bound <= ((u128)8 << 64)) return 3;
  return 0;
}

// One reduction: r = (c 2^256 + sum_{k<n} a_k b_k) / 2^256 mod m, canonical, for n <=
// kSopChunk, in seven stages (the columns of the 512-bit sum) that can be run apart,
// so a caller can place independent work between them. a and b hold n four-limb
// operands each, one after the other; c is read only when kWithC. With N > 0 the
// count is N, fixed at compile time, and the code is fully unrolled; with N == 0 the
// count is n. M is the modulus followed by -m^-1 mod 2^64.
template <const uint64_t* M, bool kAsm, size_t N, bool kWithC>
class SopColumns {
  static_assert(N <= kSopChunk && sop_steps(kSopChunk, true, M[3]) != 0, "sum too large for one reduction");

 public:
  __attribute__((always_inline)) SopColumns(const uint64_t* a, const uint64_t* b, size_t n, const uint64_t* c)
      : a_(a), b_(b), c_(c), n_(N > 0 ? N : n) {}

  // Columns kFrom .. kTo - 1, in order; every column once, from 0 to 6.
  template <int kFrom, int kTo>
  __attribute__((always_inline)) void columns() {
    if constexpr (kFrom < kTo) {
      column<kFrom>();
      columns<kFrom + 1, kTo>();
    }
  }

  // After all seven columns: the canonical result.
  __attribute__((always_inline)) void finish(uint64_t r[4]) {
    for (int i = 0; i < 3; ++i) r[i] = r_[i];
    r[3] = c0_;
    if constexpr (kWithC) r[3] += c_[3];  // no carry: the result is below 2^256
    const int steps = N > 0 ? sop_steps(N, kWithC, M[3]) : sop_steps(n_, kWithC, M[3]);
    if (steps >= 3) sub_if_ge<kAsm>(r, ModMultiples<M>::four);
    if (steps >= 2) sub_if_ge<kAsm>(r, ModMultiples<M>::two);
    sub_if_ge<kAsm>(r, M);
  }

 private:
  template <int kCol>
  __attribute__((always_inline)) void column() {
    constexpr int lo = kCol < 4 ? 0 : kCol - 3, hi = kCol < 4 ? kCol : 3;
    uint64_t d0 = 0, d1 = 0, d2 = 0;
    // Reduction words already chosen.
#pragma GCC unroll 4
    for (int j = lo; j < (kCol < 4 ? kCol : 4); ++j) {
      if (j & 1)
        mac<kAsm>(d0, d1, d2, q_[j], M[kCol - j]);
      else
        mac<kAsm>(c0_, c1_, c2_, q_[j], M[kCol - j]);
    }
    // Products a_k[i] b_k[kCol - i]; the accumulator alternates with k + i.
    auto terms = [&]<int kParity>(size_t k) __attribute__((always_inline)) {
#pragma GCC unroll 4
      for (int i = lo; i <= hi; ++i) {
        if ((kParity + i) & 1)
          mac<kAsm>(d0, d1, d2, a_[4 * k + i], b_[4 * k + kCol - i]);
        else
          mac<kAsm>(c0_, c1_, c2_, a_[4 * k + i], b_[4 * k + kCol - i]);
      }
    };
    size_t k = 0;
    if constexpr (N > 0) {
#pragma GCC unroll 8
      for (; k + 1 < N; k += 2) {
        terms.template operator()<0>(k);
        terms.template operator()<1>(k + 1);
      }
    } else {
      for (; k + 1 < n_; k += 2) {
        terms.template operator()<0>(k);
        terms.template operator()<1>(k + 1);
      }
    }
    if (k < n_) terms.template operator()<0>(k);
    add3<kAsm>(c0_, c1_, c2_, d0, d1, d2);
    if constexpr (kWithC && kCol >= 4) add3<kAsm>(c0_, c1_, c2_, c_[kCol - 4], 0, 0);
    if constexpr (kCol < 4) {
      q_[kCol] = c0_ * M[4];
      mac<kAsm>(c0_, c1_, c2_, q_[kCol], M[0]);  // clears the low word
    } else {
      r_[kCol - 4] = c0_;
    }
    c0_ = c1_;
    c1_ = c2_;
    c2_ = 0;
  }

  const uint64_t* a_;
  const uint64_t* b_;
  const uint64_t* c_;
  size_t n_;
  uint64_t c0_ = 0, c1_ = 0, c2_ = 0, q_[4] = {0, 0, 0, 0}, r_[3] = {0, 0, 0};
};

template <const uint64_t* M, bool kAsm, size_t N, bool kWithC>
__attribute__((always_inline)) inline void sop_chunk(uint64_t r[4], const uint64_t* a, const uint64_t* b, size_t n,
                                                     const uint64_t* c) {
  SopColumns<M, kAsm, N, kWithC> s(a, b, n, c);
  s.template columns<0, 7>();
  s.finish(r);
}

// r = (r + t) mod m.
template <bool kAsm>
inline void sop_add(uint64_t r[4], const uint64_t t[4], const uint64_t m[4]) {
  if constexpr (kAsm)
    mod_add(r, r, t, m);
  else
    mod_add_portable(r, r, t, m);
}

// Any count: chunks of kSopChunk products, each reduced once, added mod m. N as for
// sop_chunk (0: the count is n); c (when kWithC) joins the first chunk.
template <const uint64_t* M, bool kAsm, size_t N, bool kWithC>
__attribute__((always_inline)) inline void sop_mont(uint64_t r[4], const uint64_t* a, const uint64_t* b, size_t n,
                                                    const uint64_t* c) {
  if constexpr (N > kSopChunk) {
    sop_chunk<M, kAsm, kSopChunk, kWithC>(r, a, b, kSopChunk, c);
    uint64_t t[4];
    sop_mont<M, kAsm, N - kSopChunk, false>(t, a + 4 * kSopChunk, b + 4 * kSopChunk, N - kSopChunk, nullptr);
    sop_add<kAsm>(r, t, M);
  } else if constexpr (N > 0) {
    sop_chunk<M, kAsm, N, kWithC>(r, a, b, N, c);
  } else {
    const size_t first = n < kSopChunk ? n : kSopChunk;
    sop_chunk<M, kAsm, 0, kWithC>(r, a, b, first, c);
    for (size_t k = first; k < n; k += kSopChunk) {
      const size_t len = n - k < kSopChunk ? n - k : kSopChunk;
      uint64_t t[4];
      sop_chunk<M, kAsm, 0, false>(t, a + 4 * k, b + 4 * k, len, nullptr);
      sop_add<kAsm>(r, t, M);
    }
  }
}

#ifdef VORN_BN254_HAVE_ADX
inline constexpr bool kSopAsm = true;
#else
inline constexpr bool kSopAsm = false;
#endif

// a^-1 mod m for a < m (plain integers, not Montgomery form; a = 0 gives 0), by
// Bernstein-Yang divsteps. m5 is the modulus (below 2^254) followed by -m^-1 mod
// 2^64. inv_mod_ct runs a fixed number of branch-free steps; inv_mod_var stops as
// soon as it is done.
void inv_mod_ct(uint64_t out[4], const uint64_t a[4], const uint64_t m5[5]);
void inv_mod_var(uint64_t out[4], const uint64_t a[4], const uint64_t m5[5]);

}  // namespace detail

struct FqParams {
  static constexpr const uint64_t* MOD = params::FQ_MOD;
  static constexpr const uint64_t* MODX = params::FQ_MOD_INV;
  static constexpr const uint64_t* R = params::FQ_R;
  static constexpr const uint64_t* R2 = params::FQ_R2;
  static constexpr const uint64_t* R3 = params::FQ_R3;
};

struct FrParams {
  static constexpr const uint64_t* MOD = params::FR_MOD;
  static constexpr const uint64_t* MODX = params::FR_MOD_INV;
  static constexpr const uint64_t* R = params::FR_R;
  static constexpr const uint64_t* R2 = params::FR_R2;
  static constexpr const uint64_t* R3 = params::FR_R3;
};

template <class P>
struct Fp {
  uint64_t v[4];  // Montgomery form, always < MOD

  /// 0.
  static Fp zero() { return Fp{{0, 0, 0, 0}}; }
  /// 1.
  static Fp one() { return Fp{{P::R[0], P::R[1], P::R[2], P::R[3]}}; }
  /// The element n mod p.
  static Fp from_u64(uint64_t n) {
    const uint64_t t[4] = {n, 0, 0, 0};
    return from_limbs_reduce(t);
  }
  /// The element with canonical limbs `c` (least significant first). Requires c < p;
  /// use from_limbs_reduce for larger values.
  static Fp from_limbs(const uint64_t c[4]) {
    Fp r;
    detail::mont_mul(r.v, c, P::R2, P::MODX);
    return r;
  }
  /// The element c mod p for any 256-bit c (constant time).
  static Fp from_limbs_reduce(const uint64_t c[4]) {
    uint64_t t[4];
    reduce256(t, c);
    return from_limbs(t);
  }
  /// Canonical value (in [0, p)) as limbs, least significant first.
  void to_limbs(uint64_t out[4]) const {
    static constexpr uint64_t ONE[4] = {1, 0, 0, 0};
    detail::mont_mul(out, v, ONE, P::MODX);
  }
  /// Reads a raw Montgomery representation (no check; for precomputed tables).
  static constexpr Fp from_mont(const uint64_t m[4]) { return Fp{{m[0], m[1], m[2], m[3]}}; }

  /// Parses 32 big-endian bytes; false (out untouched) when the value is not below p.
  static bool from_be_strict(const uint8_t* in32, Fp& out) {
    uint64_t c[4];
    load_be(c, in32);
    if (!lt_mod(c)) return false;
    out = from_limbs(c);
    return true;
  }
  /// Reads `len` big-endian bytes (any length; empty gives 0) and reduces mod p.
  static Fp from_be_reduce(const uint8_t* in, size_t len) {
    // Horner over 32-byte chunks: acc = acc * 2^256 + chunk.
    const Fp base = from_mont(P::R2);  // Montgomery form of 2^256 mod p
    Fp acc = zero();
    size_t head = len % 32;
    size_t pos = 0;
    if (head != 0) {
      uint8_t buf[32] = {0};
      for (size_t i = 0; i < head; ++i) buf[32 - head + i] = in[i];
      uint64_t c[4];
      load_be(c, buf);
      acc = from_limbs_reduce(c);
      pos = head;
    }
    for (; pos < len; pos += 32) {
      uint64_t c[4];
      load_be(c, in + pos);
      acc = acc * base + from_limbs_reduce(c);
    }
    return acc;
  }
  /// Writes the canonical value as 32 big-endian bytes.
  void to_be(uint8_t* out32) const {
    uint64_t c[4];
    to_limbs(c);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 8; ++j) out32[i * 8 + j] = (uint8_t)(c[3 - i] >> (56 - 8 * j));
  }
  /// The canonical value as a word.
  W to_w() const {
    W w;
    to_be(w.data());
    return w;
  }
  /// Parses a word; false (out untouched) when it is not below p.
  static bool from_w_strict(const W& w, Fp& out) { return from_be_strict(w.data(), out); }
  /// The word reduced mod p.
  static Fp from_w_reduce(const W& w) { return from_be_reduce(w.data(), 32); }

  // Sum, difference, negation and product mod p (constant time).
  __attribute__((always_inline)) Fp operator+(const Fp& o) const {
    Fp r;
    detail::mod_add(r.v, v, o.v, P::MOD);
    return r;
  }
  __attribute__((always_inline)) Fp operator-(const Fp& o) const {
    Fp r;
    detail::mod_sub(r.v, v, o.v, P::MOD);
    return r;
  }
  Fp operator-() const {
    Fp r;
    static constexpr uint64_t Z[4] = {0, 0, 0, 0};
    detail::mod_sub(r.v, Z, v, P::MOD);
    return r;
  }
  __attribute__((always_inline)) Fp operator*(const Fp& o) const {
    Fp r;
    detail::mont_mul(r.v, v, o.v, P::MODX);
    return r;
  }
  Fp& operator+=(const Fp& o) { return *this = *this + o; }
  Fp& operator-=(const Fp& o) { return *this = *this - o; }
  Fp& operator*=(const Fp& o) { return *this = *this * o; }
  /// Square, through the dedicated squaring (10 word products instead of 16 on the
  /// mulx/adx path): the same value as *this * *this. Constant time.
  __attribute__((always_inline)) Fp sqr() const {
    Fp r;
    detail::mont_sqr(r.v, v, P::MODX);
    return r;
  }
  /// The same square (the name from when sqr() was the product).
  Fp sqr_dedicated() const { return sqr(); }
  /// a[0] b[0] + ... + a[n-1] b[n-1] (a and b point at n elements each; n = 0 gives
  /// 0), with one Montgomery reduction per 16 products instead of one per product.
  /// Constant time for a given n.
  __attribute__((noinline)) static Fp sum_of_products(const Fp* a, const Fp* b, size_t n) {
    Fp r;
    detail::sop_mont<P::MODX, detail::kSopAsm, 0, false>(r.v, limbs_of(a), limbs_of(b), n, nullptr);
    return r;
  }
  /// The same for a count N fixed at compile time (straight-line code up to
  /// kMaxUnrolledTerms products; larger counts share the code above, which runs
  /// about as fast).
  static constexpr size_t kMaxUnrolledTerms = 8;
  template <size_t N>
  static Fp sum_of_products(const Fp* a, const Fp* b) {
    if constexpr (N > kMaxUnrolledTerms) {
      return sum_of_products(a, b, N);
    } else {
      Fp r;
      detail::sop_mont<P::MODX, detail::kSopAsm, N, false>(r.v, limbs_of(a), limbs_of(b), N, nullptr);
      return r;
    }
  }
  /// c + a[0] b[0] + ... + a[n-1] b[n-1], the addition folded into the reduction.
  __attribute__((noinline)) static Fp sum_of_products_plus(const Fp* a, const Fp* b, size_t n, const Fp& c) {
    Fp r;
    detail::sop_mont<P::MODX, detail::kSopAsm, 0, true>(r.v, limbs_of(a), limbs_of(b), n, c.v);
    return r;
  }
  /// The same for a count N fixed at compile time.
  template <size_t N>
  static Fp sum_of_products_plus(const Fp* a, const Fp* b, const Fp& c) {
    if constexpr (N > kMaxUnrolledTerms) {
      return sum_of_products_plus(a, b, N, c);
    } else {
      Fp r;
      detail::sop_mont<P::MODX, detail::kSopAsm, N, true>(r.v, limbs_of(a), limbs_of(b), N, c.v);
      return r;
    }
  }
  /// c + a[0] b[0] + ... + a[N-1] b[N-1] for N <= kMaxStagedTerms (16), computed in
  /// seven stages (the columns of the 512-bit sum, with the reduction folded in):
  /// run<kFrom, kTo>() computes stages kFrom .. kTo - 1, and result() is read after
  /// all seven have run in order. Independent work placed between the stages (a chain
  /// of products, say) overlaps with them. a, b and c must stay valid until the last
  /// stage; constant time.
  static constexpr size_t kMaxStagedTerms = detail::kSopChunk;
  template <size_t N>
  class StagedSum {
   public:
    StagedSum(const Fp* a, const Fp* b, const Fp& c) : cols_(limbs_of(a), limbs_of(b), N, c.v) {}
    template <int kFrom, int kTo>
    __attribute__((always_inline)) void run() {
      cols_.template columns<kFrom, kTo>();
    }
    __attribute__((always_inline)) Fp result() {
      Fp r;
      cols_.finish(r.v);
      return r;
    }

   private:
    detail::SopColumns<P::MODX, detail::kSopAsm, N, true> cols_;
  };

  /// 2a.
  Fp dbl() const { return *this + *this; }
  /// 9a + b and 9a - b (constant time).
  __attribute__((always_inline)) Fp times9_plus(const Fp& b) const {
    Fp r;
    detail::mod_mul9_add(r.v, v, b.v, P::MOD);
    return r;
  }
  __attribute__((always_inline)) Fp times9_minus(const Fp& b) const {
    Fp r;
    detail::mod_mul9_sub(r.v, v, b.v, P::MOD);
    return r;
  }
  /// a/2 (constant time: adds p when a is odd, then shifts).
  Fp half() const {
    const uint64_t m = 0 - (v[0] & 1);
    uint64_t t[4], c = 0;
    for (int i = 0; i < 4; ++i) t[i] = detail::adc(v[i], P::MOD[i] & m, c);
    Fp r;
    for (int i = 0; i < 4; ++i) r.v[i] = (t[i] >> 1) | (i < 3 ? t[i + 1] << 63 : 0);
    return r;
  }

  /// a^e, e given as four limbs (least significant first). Runs in time that depends
  /// on e only (square and multiply over e's bits), never on a.
  Fp pow(const uint64_t e[4]) const {
    Fp r = one();
    for (int i = 3; i >= 0; --i)
      for (int b = 63; b >= 0; --b) {
        r = r.sqr();
        if ((e[i] >> b) & 1) r *= *this;
      }
    return r;
  }
  /// Constant-time inverse (a fixed run of branch-free divsteps); the inverse of
  /// zero is zero.
  Fp inv() const {
    uint64_t t[4];
    detail::inv_mod_ct(t, v, P::MODX);  // (aR)^-1
    Fp r;
    detail::mont_mul(r.v, t, P::R3, P::MODX);  // (aR)^-1 * R^3 / R = a^-1 R
    return r;
  }
  /// Variable-time inverse for public values (stops early); zero gives zero.
  Fp inv_var() const {
    uint64_t t[4];
    detail::inv_mod_var(t, v, P::MODX);
    Fp r;
    detail::mont_mul(r.v, t, P::R3, P::MODX);
    return r;
  }

  /// Constant-time test for zero.
  bool is_zero() const { return ((v[0] | v[1] | v[2] | v[3]) == 0); }
  /// Constant-time equality.
  bool operator==(const Fp& o) const {
    return ((v[0] ^ o.v[0]) | (v[1] ^ o.v[1]) | (v[2] ^ o.v[2]) | (v[3] ^ o.v[3])) == 0;
  }
  bool operator!=(const Fp& o) const { return !(*this == o); }

  /// Selects a when flag is 1 and b when it is 0 (flag must be 0 or 1); constant time.
  static Fp select(uint64_t flag, const Fp& a, const Fp& b) {
    const uint64_t m = 0 - flag;
    Fp r;
    for (int i = 0; i < 4; ++i) r.v[i] = (a.v[i] & m) | (b.v[i] & ~m);
    return r;
  }
  /// Constant-time conditional negation (flag 0 or 1).
  Fp cneg(uint64_t flag) const { return select(flag, -*this, *this); }

  /// True when the canonical value is odd (the usual "sign" of a field element).
  bool is_odd() const {
    uint64_t c[4];
    to_limbs(c);
    return c[0] & 1;
  }

  /// For Fq only (p = 3 mod 4): sets out to a^((p+1)/4) and returns true when that
  /// is a square root of a; false when a is not a square (out untouched). The
  /// exponentiation does not depend on a; only the final answer does.
  bool sqrt(Fp& out) const
    requires std::is_same_v<P, FqParams>
  {
    // (p+1)/4: p + 1 then shift right by two.
    uint64_t e[4], c = 0;
    e[0] = detail::adc(P::MOD[0], 1, c);
    e[1] = detail::adc(P::MOD[1], 0, c);
    e[2] = detail::adc(P::MOD[2], 0, c);
    e[3] = detail::adc(P::MOD[3], 0, c);
    for (int i = 0; i < 4; ++i) e[i] = (e[i] >> 2) | (i < 3 ? e[i + 1] << 62 : 0);
    Fp s = pow(e);
    if (!(s.sqr() == *this)) return false;
    out = s;
    return true;
  }

  /// True when the 256-bit value c is below p (constant time).
  static bool lt_mod(const uint64_t c[4]) {
    uint64_t b = 0;
    detail::sbb(c[0], P::MOD[0], b);
    detail::sbb(c[1], P::MOD[1], b);
    detail::sbb(c[2], P::MOD[2], b);
    detail::sbb(c[3], P::MOD[3], b);
    return b != 0;
  }

  /// Loads 32 big-endian bytes into limbs (least significant first).
  static void load_be(uint64_t c[4], const uint8_t* in32) {
    for (int i = 0; i < 4; ++i) {
      uint64_t x = 0;
      for (int j = 0; j < 8; ++j) x = (x << 8) | in32[i * 8 + j];
      c[3 - i] = x;
    }
  }

 private:
  // The limbs of consecutive elements, read as one array (an element is its four limbs).
  static const uint64_t* limbs_of(const Fp* a) { return reinterpret_cast<const uint64_t*>(a); }

  // out = c mod p for any 256-bit c: p > 2^253, so c < 8p; subtract 4p, 2p, p in turn.
  static void reduce256(uint64_t out[4], const uint64_t c[4]) {
    uint64_t t[4] = {c[0], c[1], c[2], c[3]};
    for (int k = 2; k >= 0; --k) {
      uint64_t m[4];
      m[0] = P::MOD[0] << k;
      for (int i = 1; i < 4; ++i) m[i] = (P::MOD[i] << k) | (k ? P::MOD[i - 1] >> (64 - k) : 0);
      uint64_t b = 0, d[4];
      for (int i = 0; i < 4; ++i) d[i] = detail::sbb(t[i], m[i], b);
      const uint64_t keep = 0 - b;
      for (int i = 0; i < 4; ++i) t[i] = (t[i] & keep) | (d[i] & ~keep);
    }
    for (int i = 0; i < 4; ++i) out[i] = t[i];
  }
};

using Fq = Fp<FqParams>;
using Fr = Fp<FrParams>;
static_assert(sizeof(Fq) == 32 && sizeof(Fr) == 32, "an element is exactly its four limbs");

}  // namespace vorn::bn254
