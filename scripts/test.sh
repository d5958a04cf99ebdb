#!/usr/bin/env bash
# Runs every test: the C++ kernel tests (GoogleTest through CTest) with the
# constant-time check under valgrind, the Python tests of the installed modules
# (pytest) and their leak and reference-count check, the stub and API reference
# checks (stubtest, mypy, the generators' --check), the repaired wheel in a fresh
# virtual environment, the C++ tests again under ASan and UBSan, and the fuzz targets
# (corpus replay and a short run each). Exits non-zero on any failure.
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

# The typed API: the committed stubs and API reference are what the generators make
# from the installed modules; stubtest holds the stubs against the modules; the
# examples and the vorn package type-check against them.
$PY tools/gen_stubs.py --check
$PY tools/gen_api_docs.py --check
MYPYPATH=python/stubs:python $PY -m mypy.stubtest vorn_identity vorn_registry vorn_wallet
MYPYPATH=python/stubs:python $PY -m mypy --no-incremental --check-untyped-defs examples python/vorn

# The repaired wheel in a fresh virtual environment (no system site packages): its
# kernel links the Crypto++ bundled in the wheel, and the example road and the vorn
# command (its tests) run from there.
wheel=$(PYTHON="$PY" JOBS="$JOBS" bash scripts/wheel.sh build/dist | tail -n 1)
rm -rf build/wheel-venv
$PY -m venv build/wheel-venv
build/wheel-venv/bin/pip install -q --disable-pip-version-check "$wheel" "pytest>=7"
site=$(build/wheel-venv/bin/python -c "import sysconfig; print(sysconfig.get_paths()['platlib'])")
ldd "$site/libvorn_frame.so" | grep -q "$site/vorn.libs/libcrypto++" || {
  echo "wheel: libvorn_frame.so does not load the bundled Crypto++" >&2; ldd "$site/libvorn_frame.so" >&2; exit 1; }
(cd build && wheel-venv/bin/python ../examples/receipt_road.py wheel-road.rcpt | tail -n 1 | grep -qx VALID)
build/wheel-venv/bin/vorn receipt verify build/wheel-road.rcpt
(cd build && wheel-venv/bin/python -m pytest -q -p no:cacheprovider ../tests/python/test_cli.py)

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
