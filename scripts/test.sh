#!/usr/bin/env bash
# Runs every test: the C++ kernel tests (GoogleTest through CTest), then the Python
# tests of the installed modules (pytest). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

PY=${PYTHON:-python3}
JOBS=${JOBS:-2}
cmake -S . -B build/tests -G Ninja -DVORN_TESTS=ON -DVORN_PYTHON=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/tests -j "$JOBS"
ctest --test-dir build/tests --output-on-failure -j "$JOBS"

# Run pytest from outside the source tree so the installed modules are the ones tested.
$PY -m pytest -q -p no:cacheprovider tests/python
