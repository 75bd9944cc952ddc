# Shared by scripts/test.sh and scripts/fuzz-long.sh: builds the fuzz targets and runs
# one of them. Sourced, not run.

# Frames are at most 1025 bytes; an upload of three blocks with its replies fits.
KD_FUZZ_MAX_LEN=4200

kd_fuzz_build() {
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
}

# Every fuzz target that was built.
kd_fuzz_targets() {
    local target
    for target in build/fuzz/tests/fuzz/fuzz_*; do
        [ -x "$target" ] && [ -f "$target" ] && basename "$target"
    done
}

# kd_fuzz_run TARGET CORPUS_DIR LIBFUZZER_OPTIONS...: runs it, keeps any crashing input
# under build/fuzz/findings/, prints the coverage at the start and the end, and on a
# finding the report.
kd_fuzz_run() {
    local name=$1 corpus=$2
    shift 2
    mkdir -p "$corpus" build/fuzz/findings build/fuzz/logs
    local log=build/fuzz/logs/$name.log
    if "build/fuzz/tests/fuzz/$name" -max_len=$KD_FUZZ_MAX_LEN -timeout=10 \
        -artifact_prefix="build/fuzz/findings/$name-" "$@" "$corpus" >"$log" 2>&1; then
        printf '%-22s %s\n' "$name" "$(grep -E '^#[0-9]+\s+(INITED|DONE)' "$log" |
            sed -E 's/^#([0-9]+)\s+(\w+)\s+cov: ([0-9]+) ft: ([0-9]+).*/\2 cov \3 ft \4 (#\1)/' |
            paste -sd' ' -)"
    else
        tail -n 40 "$log"
        echo "$name: finding kept in build/fuzz/findings/ (log: $log)" >&2
        return 1
    fi
}
