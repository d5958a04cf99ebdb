#!/usr/bin/env bash
# Builds and runs the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (not part of the CMake build).
#   fuzz/build.sh                      build every target into fuzz/build/
#   fuzz/build.sh run TARGET [SECS]    fuzz one target for SECS seconds (default 60) on
#                                      one core, from its committed seeds in
#                                      fuzz/corpus/TARGET; new inputs go to
#                                      fuzz/corpus-run/TARGET (not committed)
#   fuzz/build.sh ci [SECS]            replay every committed corpus, then fuzz each
#                                      target SECS seconds (default 15) from a scratch copy
# Targets: certificate wallet canonical envelope receipt delivery (fuzz_<name>.cpp).
# A crash, leak or sanitizer report stops the run with its input written to
# fuzz/corpus-run/artifacts/. Needs clang++ and the libFuzzer runtime (Debian: clang
# libclang-rt-14-dev); the kernel objects are built once and shared (ninja, ccache
# when present).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
out="$here/build"
mkdir -p "$out"
TARGETS=(certificate wallet canonical envelope receipt delivery)
CXX="${CXX:-clang++}"
launcher=""
command -v ccache >/dev/null && launcher="ccache "

# One ninja file: every kernel source compiled once with the sanitizer flags, then
# one link per target.
flags="-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"
{
  echo "cflags = $flags -I $root/src"
  echo "rule cxx"
  echo "  command = $launcher$CXX \$cflags -fsanitize=fuzzer-no-link -MMD -MF \$out.d -c \$in -o \$out"
  echo "  depfile = \$out.d"
  echo "  deps = gcc"
  echo "rule link"
  echo "  command = $CXX \$cflags -fsanitize=fuzzer \$in -lcryptopp -o \$out"
  objs=()
  for layer in core bn254 hash crypto notes registry wallet; do
    # Every source of the layer, its subfolders (wallet/receipts/) included.
    while IFS= read -r src; do
      rel="${src#"$root"/src/vorn/}"
      obj="obj/$(echo "${rel%.cpp}" | tr / _).o"
      echo "build $obj: cxx $src"
      objs+=("$obj")
    done < <(find "$root/src/vorn/$layer" -name '*.cpp' | sort)
  done
  for t in "${TARGETS[@]}"; do
    echo "build obj/fuzz_$t.o: cxx $here/fuzz_$t.cpp"
    echo "build fuzz_$t: link obj/fuzz_$t.o ${objs[*]}"
  done
} > "$out/build.ninja"
ninja -C "$out" -j "${JOBS:-1}" >"$out/ninja.log" || { cat "$out/ninja.log" >&2; exit 1; }  # the compiler's errors shown on failure
echo "built ${TARGETS[*]} in $out"

artifacts="$here/corpus-run/artifacts"
mkdir -p "$artifacts"
fuzz_for() {  # fuzz_for TARGET SECONDS WORKDIR
  "$out/fuzz_$1" -max_total_time="$2" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$1-" "$3" "$here/corpus/$1"
}

case "${1:-}" in
  run)
    t="${2:?usage: fuzz/build.sh run TARGET [SECONDS]}"
    work="$here/corpus-run/$t"
    mkdir -p "$work"
    fuzz_for "$t" "${3:-60}" "$work"
    ;;
  ci)
    seconds="${2:-15}"
    scratch="$(mktemp -d)"
    trap 'rm -rf "$scratch"' EXIT
    for t in "${TARGETS[@]}"; do
      # Replay every committed input once, then a short run from a scratch copy.
      log="$scratch/$t.log"
      mkdir -p "$scratch/$t"
      if ! "$out/fuzz_$t" -runs=0 -artifact_prefix="$artifacts/$t-" "$here/corpus/$t" >"$log" 2>&1 ||
         ! fuzz_for "$t" "$seconds" "$scratch/$t" >>"$log" 2>&1; then
        tail -n 60 "$log" >&2
        echo "fuzz_$t failed; the input is in $artifacts" >&2
        exit 1
      fi
      echo "fuzz_$t: $(ls "$here/corpus/$t" | wc -l) seeds replayed;" \
        "$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1) runs in ${seconds}s"
    done
    ;;
esac
