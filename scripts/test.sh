#!/usr/bin/env bash
# Builds everything and runs every test: native, under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets for a fixed count, the Windows cross
# build, the Windows program end to end under Wine, and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
kd_ensure_packages

step() { printf '\n=== %s\n' "$*"; }

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "sanitizer build and tests (address, undefined)"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan --label-exclude slow

step "fuzz targets"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    "$target" -runs=200000 -seed=1 -max_len=1100 2>&1 | tail -n 2
done

step "Windows cross build"
cmake --preset mingw >/dev/null
cmake --build --preset mingw

step "end-to-end under Wine"
tests/e2e/run.sh

step "benchmarks"
for bench in build/native/tests/bench/bench_*; do
    [ -x "$bench" ] || continue
    "$bench" --benchmark_min_time=0.5
done

step "all tests passed"
