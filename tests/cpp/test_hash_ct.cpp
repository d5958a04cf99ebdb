// Poseidon with its inputs marked undefined for valgrind's memcheck: the hashed values
// may be secrets (note nonces, holder secrets, salts). Under
//   valgrind --error-exitcode=1 build/<dir>/test_hash_ct
// memcheck fails the run at the first conditional jump or memory index that depends
// on an input; that covers the squares, products and sums of products the hash is
// made of. The outputs are then marked defined and checked against the plain
// round-by-round form run on public copies. Without valgrind the client requests do
// nothing and the test only checks the values.
#include <gtest/gtest.h>
#include <valgrind/memcheck.h>

#include <vector>

#include "vorn/hash/poseidon.h"

using vorn::bn254::Fr;
namespace h = vorn::hash;
namespace detail = vorn::bn254::detail;

namespace {

void check_secret_inputs() {
  const auto& all = **h::poseidon_params();  // built before any secret is involved
  for (size_t n = 1; n <= 16; ++n) {
    const auto& p = all[n - 1];
    std::vector<Fr> pub;
    Fr acc = Fr::from_u64(n);
    for (size_t i = 0; i < 2 * n; ++i) pub.push_back(acc = acc * acc + Fr::from_u64(i + 1));
    const Fr want0 = *h::poseidon_plain_fr(p, std::span<const Fr>(pub).first(n));
    const Fr want1 = *h::poseidon_plain_fr(p, std::span<const Fr>(pub).subspan(n, n));

    std::vector<Fr> in = pub;
    VALGRIND_MAKE_MEM_UNDEFINED(in.data(), in.size() * sizeof(Fr));
    Fr one = *h::poseidon_fast_fr(p, std::span<const Fr>(in).first(n));
    Fr two[2];
    ASSERT_TRUE(h::poseidon_fast_fr_many(p, in, two).ok());
    VALGRIND_MAKE_MEM_DEFINED(&one, sizeof one);
    VALGRIND_MAKE_MEM_DEFINED(two, sizeof two);
    EXPECT_EQ(one, want0) << n << " inputs";
    EXPECT_EQ(two[0], want0) << n << " inputs, first of two";
    EXPECT_EQ(two[1], want1) << n << " inputs, second of two";
  }
}

TEST(ConstantTime, PoseidonOfSecretInputs) {
#ifdef VORN_BN254_HAVE_ADX
  // Both code paths of the field products: the portable one, and the mulx/adx one
  // when the processor has it (valgrind hides ADX from cpuid but executes it).
  const bool saved = detail::g_use_adx;
  for (bool adx : {false, true}) {
    if (adx && !saved && !RUNNING_ON_VALGRIND) continue;
    detail::g_use_adx = adx;
    check_secret_inputs();
  }
  detail::g_use_adx = saved;
#else
  check_secret_inputs();
#endif
}

}  // namespace
