#!/usr/bin/env bash
# Builds and runs every test: the plain build, the same suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, and a bounded fuzzing run.
# Ends with the time each step took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
jobs="$(nproc)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0

# Starts a step: its name now, its time (and its parts' times, ended by
# `part NAME`) in the list printed at the end.
steps=()
parts=()
step_name=""
step_start=$SECONDS
part_start=$SECONDS
step_end() {
    [ -n "$step_name" ] && steps+=("$(printf '%5d s  %s' $((SECONDS - step_start)) "$step_name")")
    [ ${#parts[@]} -eq 0 ] || steps+=("${parts[@]}")
    parts=()
    step_start=$SECONDS
    part_start=$SECONDS
}
step() {
    step_end
    step_name="$1"
    echo "== $1"
}
part() {
    parts+=("$(printf '%5d s      %s' $((SECONDS - part_start)) "$1")")
    part_start=$SECONDS
}

# Runs a CTest suite, showing its output, and adds its counts to the totals.
run_suite() {
    local status=0
    "$@" 2>&1 | tee "$work/ctest.log" || status=$?
    local line
    line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$work/ctest.log" | tail -n 1)"
    if [ -z "$line" ]; then
        echo "no test summary from: $*"
        failed=$((failed + 1))
        return
    fi
    local bad total
    bad="$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")"
    total="$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")"
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$status" -eq 0 ] || [ "$bad" -gt 0 ] || failed=$((failed + 1))
}

step "include layers"
if "$root/scripts/check-layers.sh"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

# The suite's trees carry line tables only: enough for the backtraces of a
# failing test and the sanitizers' reports, and faster to build.
step "build and test"
BUILD_TYPE=Debug "$root/scripts/build.sh" "$root/build-test" -DDPC_DEBUG_INFO=lines
part build
run_suite ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"
part test

step "build and test with ASan + UBSan"
BUILD_TYPE=Debug "$root/scripts/build.sh" "$root/build-asan" -DDPC_DEBUG_INFO=lines \
    -DDPC_SANITIZE=ON -DDPC_BUILD_BENCHMARKS=OFF
part build
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
part test

step "fuzz"
CC=clang CXX=clang++ BUILD_TYPE=Debug \
    TARGETS="fuzz_staging fuzz_report_rows fuzz_record_reader fuzz_value_reader fuzz_soap_request" \
    "$root/scripts/build.sh" "$root/build-fuzz" \
    -DDPC_DEBUG_INFO=lines -DDPC_BUILD_FUZZERS=ON -DDPC_BUILD_BENCHMARKS=OFF
# The targets run side by side, one a core; each stops at its run count or its
# time, whichever comes first. Their reports are shown in order.
fuzz_targets=()
for target in "$root"/build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] && fuzz_targets+=("$target")
done
fuzz_one() {
    local name
    name="$(basename "$1")"
    mkdir -p "$work/$name"
    local status=0
    "$1" "$work/$name" "$root/fuzz/corpus" -runs="${FUZZ_RUNS:-200000}" \
        -max_total_time="${FUZZ_SECONDS:-8}" -max_len=4096 \
        -print_final_stats=1 >"$work/$name.log" 2>&1 || status=$?
    echo "$status" >"$work/$name.status"
}
running=0
for target in "${fuzz_targets[@]}"; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
    fuzz_one "$target" &
    running=$((running + 1))
done
wait
for target in "${fuzz_targets[@]}"; do
    name="$(basename "$target")"
    echo "-- $name"
    if [ "$(cat "$work/$name.status" 2>/dev/null)" = 0 ]; then
        tail -n 3 "$work/$name.log"
        passed=$((passed + 1))
    else
        tail -n 40 "$work/$name.log"
        failed=$((failed + 1))
    fi
done

step "Debian packages"
if "$root/scripts/check-package.sh"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

step_end
echo
echo "time of each step:"
printf '%s\n' "${steps[@]}"
printf '%5d s  in all\n' "$SECONDS"
echo
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
