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

/// True when the `n` bytes at `a` and `b` are equal. Reads every byte of both, with
/// no early exit, so the time does not depend on where they differ. The answer is
/// as secret as the inputs: declassify it where it is published.
inline bool equal(const void* a, const void* b, size_t n) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  unsigned char diff = 0;
  for (size_t i = 0; i < n; ++i) diff |= static_cast<unsigned char>(x[i] ^ y[i]);
  return diff == 0;
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
