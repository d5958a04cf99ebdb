// Declassification: the points where a value computed from secrets becomes public.
//
// The constant-time test (tests/cpp/test_wallet_ct.cpp, run under valgrind's
// memcheck) marks every secret undefined and fails at any branch or memory index
// that depends on one. Some secret-derived values are public by design: a prover's
// commitments and challenge, which it publishes in the proof, and the outcome of a
// witness check, which it reports as an error. The code that publishes such a value
// says so with `declassify`, after which memcheck treats it as defined and code may
// branch on it. Outside valgrind a declassification is a few no-op instructions.
#pragma once

#include <cstddef>

#if defined(__has_include)
#if __has_include(<valgrind/memcheck.h>)
#include <valgrind/memcheck.h>
#define VORN_CT_HAVE_MEMCHECK 1
#endif
#endif

namespace vorn::ct {

/// Marks `n` bytes at `p` as public from here on. Changes no byte.
inline void declassify(const void* p, size_t n) {
#ifdef VORN_CT_HAVE_MEMCHECK
  (void)VALGRIND_MAKE_MEM_DEFINED(p, n);
#else
  (void)p;
  (void)n;
#endif
}

/// `v`, marked public: `if (!ct::declassify(ok))`, `t = ct::declassify(t)`. The
/// copy is read back from memory after the mark, so no register keeps the secret
/// marking. Changes no byte.
template <class T>
T declassify(T v) {
  declassify(static_cast<const void*>(&v), sizeof(T));
  return v;
}

}  // namespace vorn::ct
