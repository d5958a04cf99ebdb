#!/usr/bin/env bash
# Runs every test: the C++ kernel tests (GoogleTest through CTest) with the
# constant-time check under valgrind, the Python tests of the installed modules
# (pytest) and their leak and reference-count check, the C++ tests again under ASan
# and UBSan, and the fuzz targets (corpus replay and a short run each). Exits
# non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

PY=${PYTHON:-python3}
JOBS=${JOBS:-2}
cmake -S . -B build/tests -G Ninja -DVORN_TESTS=ON -DVORN_PYTHON=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/tests -j "$JOBS"
ctest --test-dir build/tests --output-on-failure -j "$JOBS"

# Constant-time check: the secret paths with their secrets marked undefined; memcheck
# fails on any branch or memory index that depends on one.
# The check is not optional: without valgrind it fails (setup.sh installs it).
if ! command -v valgrind >/dev/null; then
  echo "valgrind not found: the constant-time check cannot run (scripts/setup.sh installs it)" >&2
  exit 1
fi
ct_tests=(build/tests/test_*_ct)
if [ ! -x "${ct_tests[0]}" ]; then
  echo "no constant-time test programs in build/tests" >&2
  exit 1
fi
for t in "${ct_tests[@]}"; do
  valgrind --error-exitcode=1 --track-origins=yes -q "$t" --gtest_brief=1
done

# Run pytest from outside the source tree so the installed modules are the ones tested.
$PY -m pytest -q -p no:cacheprovider tests/python
# Leaks and reference counts: every exported function called many times, valid and
# invalid, in one process (about a minute and a half).
$PY tests/python/leak_check.py

# The kernel tests again under AddressSanitizer and UndefinedBehaviorSanitizer. -O1
# (what ASan recommends) and line tables only (-g1, enough for its reports) halve
# the build, the longest step here.
cmake -S . -B build/tests-asan -G Ninja -DVORN_SANITIZE=ON -DVORN_TESTS=ON -DVORN_PYTHON=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
cmake --build build/tests-asan -j "$JOBS"
ctest --test-dir build/tests-asan --output-on-failure -j "$JOBS"

# Fuzz targets (clang, libFuzzer, ASan and UBSan): replay the committed corpora, then
# fuzz each target briefly.
if command -v clang++ >/dev/null; then
  JOBS="$JOBS" bash fuzz/build.sh ci "${FUZZ_SECONDS:-15}"
else
  echo "clang++ not found: fuzz targets skipped" >&2
fi
