#!/usr/bin/env bash
# The native Linux program end to end. kdconfig-e2e runs kdconfig's own code with a
# scenario that acts on its windows through QTest, on one virtual display, against
# kdreader-sim on a pseudo-terminal. Each group starts the simulated reader and the
# program once; the second-copy check starts the real kdconfig as well.
#
#   tests/e2e_linux/run.sh [GROUP...]     groups: main_window settings settings_faults frame_log
#                                                 scan_test upload
#
# Screenshots, frame logs and outputs go to build/e2e-linux/. Processes are stopped by
# the PIDs saved here, never by name.
set -u
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${KD_BUILD_DIR:-$repo/build/native}
out=${E2E_LINUX_DIR:-$repo/build/e2e-linux}
driver=$build/tests/e2e_linux/kdconfig-e2e
program=$build/app/linux/kdconfig
sim=$build/sim/kdreader-sim
link=$out/reader-link

groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(main_window settings settings_faults frame_log scan_test upload)

for file in "$driver" "$program" "$sim"; do
    [ -x "$file" ] || { echo "e2e-linux: missing $file (build the native preset)" >&2; exit 1; }
done
for tool in Xvfb xdpyinfo xdotool import; do
    command -v "$tool" >/dev/null || { echo "e2e-linux: $tool is not installed" >&2; exit 1; }
done

mkdir -p "$out"
# Absolute: the scenarios type paths under it into file dialogs.
out=$(cd "$out" && pwd)
link=$out/reader-link
rm -f "$out"/*.png "$out"/*.log "$out"/*.state "$out"/*.out
# A lock folder of these runs' own: a kdconfig the user has open is not the first copy.
runtime=$out/runtime
rm -rf "$runtime"
mkdir -m 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime QT_QPA_PLATFORM=xcb

xvfb_pid=""
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$(date +%s%N)
for n in 71 73 79 83 91 95 99; do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1600x1200x24 -nolisten tcp >"$out/xvfb.out" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        xdpyinfo -display ":$n" >/dev/null 2>&1 && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        break
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "e2e-linux: no X display could be started" >&2; exit 1; }

# sim_start NAME [kdreader-sim options...]: a fresh reader on the link.
sim_start() {
    local name=$1
    shift
    rm -f "$link"
    "$sim" --link "$link" --log "$out/$name.log" --state "$out/$name.state" \
        --uploads "$out" "$@" >"$out/$name.sim.out" 2>&1 &
    sim_pid=$!
    for _ in $(seq 100); do
        [ -e "$link" ] && return 0
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "e2e-linux: kdreader-sim did not come up: $(cat "$out/$name.sim.out")" >&2
    return 1
}

sim_stop() {
    [ -n "$sim_pid" ] || return 0
    kill "$sim_pid" 2>/dev/null
    wait "$sim_pid" 2>/dev/null
    sim_pid=""
}

failed=0
for group in "${groups[@]}"; do
    sim_args=()
    [ "$group" = settings_faults ] && sim_args=(--refuse-key deviceno)
    # The program runs in a folder of its own: the upload dialog offers its `update`.
    work=$out/$group.work
    rm -rf "$work"
    mkdir -p "$work"
    if [ "$group" = upload ]; then
        # At line speed, so that 取消 finds blocks still to go.
        sim_args=(--line-rate 115200 --new-firmware-version V3.2.0)
        head -c 16192 /dev/urandom >"$work/update"
    fi
    driver_args=()
    if [ "$group" = scan_test ]; then
        # The scenario writes each code read into the FIFO.
        rm -f "$out/scans.fifo"
        mkfifo "$out/scans.fifo"
        sim_args=(--scans "$out/scans.fifo")
        driver_args=(--scans "$out/scans.fifo")
    fi
    group_started=$(date +%s%N)
    echo "# $group"
    if sim_start "$group" "${sim_args[@]}"; then
        # The port as a user would name it, the pseudo-terminal itself; then again by
        # the link to it, which must not make a second entry.
        pty=$(readlink -f "$link")
        (cd "$work" && exec "$driver" --scenario "$group" --out "$out" --frame-log "$out/$group.log" \
            --state "$out/$group.state" --kdconfig "$program" --first-port "${pty#/dev/}" \
            "${driver_args[@]}" -- --port "$pty" --port "$link") 2>"$out/$group.err" || failed=1
        sim_stop
    else
        failed=1
    fi
    echo "# $group: $((($(date +%s%N) - group_started) / 1000000)) ms"
done

echo "e2e-linux: $((($(date +%s%N) - started) / 1000000)) ms in all; screenshots in $out"
[ "$failed" -eq 0 ] && echo "e2e-linux: all passed" || echo "e2e-linux: FAILED (see $out/*.err)"
exit "$failed"
