#!/usr/bin/env bash
# Builds everything and runs every test: native, under AddressSanitizer and
# UndefinedBehaviorSanitizer, each fuzz target for a fixed time, the Windows cross
# build, the Linux package and the Windows zip, the Linux program end to end under Xvfb,
# the Windows program end to end under Wine, and the benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
kd_ensure_packages

step() { printf '\n=== %s\n' "$*"; }

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "the Linux program end to end under Xvfb"
tests/e2e_linux/run.sh

step "sanitizer build and tests (address, undefined)"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan --label-exclude slow

step "fuzz targets (20 s each, fixed seed, fresh corpus; longer: scripts/fuzz-long.sh)"
. scripts/fuzz-common.sh
kd_fuzz_build
for name in $(kd_fuzz_targets); do
    rm -rf "build/fuzz/run/$name"
    kd_fuzz_run "$name" "build/fuzz/run/$name" -max_total_time=20 -seed=1
done

step "Windows cross build"
cmake --preset mingw >/dev/null
cmake --build --preset mingw

step "packages: the .deb and the Windows zip"
scripts/check-packages.sh

step "end-to-end under Wine"
tests/e2e/run.sh

step "benchmarks"
for bench in build/native/tests/bench/bench_*; do
    [ -x "$bench" ] || continue
    "$bench" --benchmark_min_time=0.5
done

step "all tests passed"
