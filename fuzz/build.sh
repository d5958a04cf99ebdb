#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (not part of the CMake build).
#   fuzz/build.sh                 build fuzz/build/fuzz_certificate
#   fuzz/build.sh run [SECONDS]   build, then fuzz for SECONDS (default 60) on one core,
#                                 starting from the committed seeds in fuzz/corpus/certificate;
#                                 new inputs go to fuzz/corpus-run/certificate (not committed)
# Needs clang++ and the libFuzzer runtime (Debian: clang libclang-rt-14-dev).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
out="$here/build"
mkdir -p "$out"
CXX="${CXX:-clang++}"

# The target with the registry layer and every layer below it, as CMake globs them.
"$CXX" -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" \
  "$here/fuzz_certificate.cpp" \
  "$root"/src/vorn/{core,bn254,hash,crypto,registry}/*.cpp \
  -lcryptopp -o "$out/fuzz_certificate"
echo "built $out/fuzz_certificate"

if [[ "${1:-}" == "run" ]]; then
  seconds="${2:-60}"
  work="$here/corpus-run/certificate"
  mkdir -p "$work"
  "$out/fuzz_certificate" -max_total_time="$seconds" -print_final_stats=1 \
    "$work" "$here/corpus/certificate"
fi
