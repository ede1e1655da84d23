#!/usr/bin/env bash
# Builds and runs every test: the plain build, the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, and a bounded fuzzing run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
jobs="$(nproc)"

echo "== build and test"
BUILD_TYPE=Debug "$root/scripts/build.sh" "$root/build"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== build and test with ASan + UBSan"
BUILD_TYPE=Debug "$root/scripts/build.sh" "$root/build-asan" -DDPC_SANITIZE=ON -DDPC_BUILD_BENCHMARKS=OFF
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"

echo "== fuzz"
CC=clang CXX=clang++ BUILD_TYPE=Debug TARGETS=fuzz_staging "$root/scripts/build.sh" "$root/build-fuzz" \
    -DDPC_BUILD_FUZZERS=ON -DDPC_BUILD_BENCHMARKS=OFF
corpus="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
for target in "$root"/build-fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    echo "-- $(basename "$target")"
    mkdir -p "$corpus/$(basename "$target")"
    "$target" "$corpus/$(basename "$target")" "$root/fuzz/corpus" -runs="${FUZZ_RUNS:-200000}" \
        -max_len=4096 -print_final_stats=1 >"$corpus/log" 2>&1 || { tail -n 40 "$corpus/log"; exit 1; }
    tail -n 3 "$corpus/log"
done
