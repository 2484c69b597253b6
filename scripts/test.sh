#!/usr/bin/env bash
# Builds and runs every test: the plain build, then the whole suite under
# AddressSanitizer + UndefinedBehaviorSanitizer, then the threaded serial tests under
# ThreadSanitizer, and the fuzz targets for a short time; after the plain build, the Debian
# package is built from it, installed, started and removed (scripts/package-check.sh).
# Ends with one summary line over all runs; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

passed=0
failed=0
status=0

# run NAME CTEST-ARGS -- CMAKE-ARGS
run() {
    local name=$1 build="build/$1" ctest_args=() log
    shift
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do ctest_args+=("$1"); shift; done
    shift
    echo "=== $name: building"
    if ! cmake -S . -B "$build" -G Ninja "$@" >/dev/null ||
       ! cmake --build "$build" -j "$jobs"; then
        echo "=== $name: BUILD FAILED"
        status=1
        failed=$((failed + 1))
        return
    fi
    echo "=== $name: testing"
    log=$(mktemp)
    (cd "$build" && ctest --output-on-failure -j "$jobs" "${ctest_args[@]}") | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if [ -n "$line" ]; then
        bad=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    else
        status=1
    fi
    rm -f "$log"
}

# check NAME COMMAND...: a check outside ctest, counted as one test.
check() {
    local name=$1
    shift
    echo "=== $name: checking"
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "=== $name: FAILED"
        status=1
        failed=$((failed + 1))
    fi
}

run plain -- -DCMAKE_BUILD_TYPE=RelWithDebInfo
check package bash scripts/package-check.sh build/plain
run asan-ubsan -- -DCMAKE_BUILD_TYPE=Debug -DQUILLET_SANITIZE="address;undefined" \
    -DQUILLET_BUILD_BENCH=OFF
run tsan -L threads -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_SANITIZE=thread \
    -DQUILLET_BUILD_BENCH=OFF
# The protocol core's fuzz targets, each for a short fixed time.
CC=clang CXX=clang++ run fuzz -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLET_FUZZ=ON \
    -DQUILLET_SANITIZE="address;undefined" -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF

echo
echo "all runs: $passed passed, $failed failed"
exit $status
