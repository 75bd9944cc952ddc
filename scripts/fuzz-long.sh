#!/usr/bin/env bash
# Fuzzes for longer than the test command does: every target, or the ones named, for
# SECONDS each. The corpus grows across runs under build/fuzz/corpus/TARGET; crashing
# inputs stay in build/fuzz/findings/.
#   scripts/fuzz-long.sh 600                       every target, ten minutes each
#   scripts/fuzz-long.sh 3600 fuzz_upload_replies  one target, an hour
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-common.sh

usage="usage: scripts/fuzz-long.sh SECONDS [TARGET...]"
seconds=${1:-}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "$usage" >&2
    exit 2
fi
shift

kd_fuzz_build
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    mapfile -t targets < <(kd_fuzz_targets)
fi
failed=0
for name in "${targets[@]}"; do
    if [ ! -x "build/fuzz/tests/fuzz/$name" ]; then
        echo "no fuzz target $name; built: $(kd_fuzz_targets | paste -sd' ' -)" >&2
        exit 2
    fi
    kd_fuzz_run "$name" "build/fuzz/corpus/$name" -max_total_time="$seconds" || failed=1
done
exit $failed
