#!/usr/bin/env bash
# Runs the end-to-end scenarios under Wine against kdreader-sim and prints a summary.
# One Wine prefix, X server and wineserver serve the whole run. Exit status 1 when any
# scenario failed.
#
#   tests/e2e/run.sh                   every scenario
#   tests/e2e/run.sh settings upload   only these
#   E2E_REUSE_PREFIX=1 tests/e2e/run.sh  keep the prefix of the last run (faster)
#
# Needs build/mingw (kdconfig.exe, kdcfg.exe, robot.exe, kd_win32_tests.exe) and build/native
# (kdreader-sim, kdcfg). Everything it writes goes to build/e2e/.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"

all=(main_window connect_faults settings settings_faults settings_gbk settings_profile upload upload_dialog dpi frame_log scan_test kdcfg_windows win32_backend firmware_cli)
selected=("$@")
[ ${#selected[@]} -gt 0 ] || selected=("${all[@]}")
for name in "${selected[@]}"; do
    case " ${all[*]} " in
        *" $name "*) ;;
        *) echo "unknown scenario '$name'; known: ${all[*]}" >&2; exit 2 ;;
    esac
done
wants() { case " ${selected[*]} " in *" $1 "*) return 0 ;; esac; return 1; }

started=$SECONDS
e2e_setup || exit 1
e2e_require_builds || exit 1

names=()
results=()
times=()
record() {
    names+=("$1")
    results+=("$2")
    times+=("$3")
}

# The firmware upload through kdcfg spends 30 s in the tool's closing wait, with no Wine
# in it: it runs beside the Wine scenarios and is collected at the end.
firmware_pid=""
if wants firmware_cli; then
    rm -f "$E2E_DIR/firmware_cli.seconds"
    "$here/firmware_cli.sh" >"$E2E_DIR/firmware_cli.out" 2>&1 &
    firmware_pid=$!
    e2e_on_exit '[ -n "$firmware_pid" ] && kill -TERM "$firmware_pid" 2>/dev/null; wait "$firmware_pid" 2>/dev/null'
fi

for name in main_window connect_faults settings settings_faults settings_gbk settings_profile upload upload_dialog dpi frame_log scan_test kdcfg_windows; do
    wants "$name" || continue
    printf '\n--- %s\n' "$name"
    t0=$SECONDS
    if "$here/$name.sh"; then
        record "$name" pass $((SECONDS - t0))
    else
        record "$name" FAIL $((SECONDS - t0))
    fi
done

# The dialog back end's own checks, on the same prefix and display, and the serial
# channel's on COM1 with a simulated reader behind it.
if wants win32_backend; then
    printf '\n--- win32_backend\n'
    exe=$E2E_REPO/build/mingw/ui/win32_tests/kd_win32_tests.exe
    t0=$SECONDS
    if [ ! -f "$exe" ]; then
        echo "missing $exe"
        record win32_backend FAIL 0
    elif ! e2e_sim_start win32_backend; then
        record win32_backend FAIL $((SECONDS - t0))
    elif timeout 120 wine "$exe" --port COM1 >"$E2E_DIR/win32_backend.out" \
        2>>"$E2E_DIR/wine.log"; then
        tail -n 1 "$E2E_DIR/win32_backend.out"
        record win32_backend pass $((SECONDS - t0))
    else
        grep -i 'fail' "$E2E_DIR/win32_backend.out" | head -n 20
        tail -n 1 "$E2E_DIR/win32_backend.out"
        record win32_backend FAIL $((SECONDS - t0))
    fi
    e2e_sim_stop
fi

if [ -n "$firmware_pid" ]; then
    printf '\n--- firmware_cli (ran beside the others)\n'
    if wait "$firmware_pid"; then status=pass; else status=FAIL; fi
    firmware_pid=""
    cat "$E2E_DIR/firmware_cli.out"
    record firmware_cli "$status" "$(cat "$E2E_DIR/firmware_cli.seconds" 2>/dev/null || echo 0)"
fi

printf '\n=== end-to-end summary (%d s in all; screenshots and logs in %s)\n' \
    $((SECONDS - started)) "${E2E_DIR#"$E2E_REPO"/}"
failed=0
for i in "${!names[@]}"; do
    printf '  %-4s %-16s %3d s\n' "${results[$i]}" "${names[$i]}" "${times[$i]}"
    [ "${results[$i]}" = pass ] || failed=1
done
exit "$failed"
