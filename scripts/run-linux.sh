#!/usr/bin/env bash
# scripts/run.sh: builds the Linux program and the modelled reader natively, starts the
# reader on a pseudo-terminal and opens kdconfig with --port on it, which puts that
# terminal first in the port list. Without a DISPLAY, kdconfig runs on a virtual X
# server, 连接设备 is pressed, and a screenshot of the connected window is saved to
# build/run/kdconfig-linux.png.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
out=$PWD/build/run
program=$PWD/build/native/app/linux/kdconfig
sim=$PWD/build/native/sim/kdreader-sim
title="星澜配置工具KD系列(串口)V2.0.3"

echo "building kdconfig and kdreader-sim (native)..."
if ! cmake --preset native >/dev/null ||
    ! cmake --build --preset native --target kdconfig kdreader-sim >/dev/null; then
    echo "the native build failed" >&2
    exit 1
fi
mkdir -p "$out/reader.uploads"

# Stopped by the PIDs kept here, last started first.
pids=()
cleanup() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[$i]}" 2>/dev/null
        wait "${pids[$i]}" 2>/dev/null
    done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

link=$out/reader-link
rm -f "$link" "$out/reader.log"
"$sim" --link "$link" --log "$out/reader.log" --state "$out/reader.state" \
    --uploads "$out/reader.uploads" >"$out/reader.out" 2>&1 &
pids+=($!)
for ((i = 0; i < 100; i++)); do
    [ -e "$link" ] && break
    sleep 0.05
done
[ -e "$link" ] || { echo "kdreader-sim did not start: $(cat "$out/reader.out")" >&2; exit 1; }
# The port as a user would name it: the pseudo-terminal itself.
pty=$(readlink -f "$link")
echo "modelled reader: $pty"
echo "  its frame log: build/run/reader.log; its saved keys: build/run/reader.state"

# kdconfig runs in build/run: the uploads read their files (update, config) from there.
if [ -n "${DISPLAY:-}" ]; then
    echo "kdconfig is open on $DISPLAY with $pty first in the port list: press 连接设备."
    echo "Close it (退出) to stop the reader."
    (cd "$out" && exec "$program" --port "$pty")
    echo "kdconfig closed."
    exit 0
fi

echo "no DISPLAY: running on a virtual X server and pressing 连接设备..."
display=""
for n in 111 113 117 119; do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$out/xvfb.out" 2>&1 &
    pids+=($!)
    for ((i = 0; i < 100; i++)); do
        xdpyinfo -display ":$n" >/dev/null 2>&1 && { display=:$n; break 2; }
        sleep 0.05
    done
done
[ -n "$display" ] || { echo "no virtual X server could be started (see $out/xvfb.out)" >&2; exit 1; }
export DISPLAY=$display
# A lock folder of its own: a kdconfig open on the desktop is not this one's first copy.
export XDG_RUNTIME_DIR=$out/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

(cd "$out" && exec "$program" --port "$pty") >"$out/kdconfig.out" 2>&1 &
app=$!
pids+=("$app")
# xdotool takes a pattern: the parentheses of the title must not group.
pattern="^$(sed 's/[][()*+?.^$|{}\\]/\\&/g' <<<"$title")\$"
window=""
for ((i = 0; i < 200; i++)); do
    window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$app" 2>/dev/null || { echo "kdconfig ended: $(cat "$out/kdconfig.out")" >&2; exit 1; }
    sleep 0.1
done
[ -n "$window" ] || { echo "kdconfig showed no window in 20 s" >&2; exit 1; }

# Clicks a button of the main window by its place in the template (534 by 329 dialog
# units): the same share of the window whatever size the font makes it.
click() {
    local x=$1 y=$2 width height
    width=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')
    height=$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')
    xdotool mousemove --window "$window" $((width * x / 534)) $((height * y / 329)) click 1
}
click 221 302 # 连接设备, at (191, 295), 60 by 14
for ((i = 0; i < 150; i++)); do
    grep -q 'TX .*# status 0: slavever=' "$out/reader.log" && break
    sleep 0.1
done
sleep 1 # the window shows the version and 已连接 once the last reply is read
shot=$out/kdconfig-linux.png
if ! grep -q 'TX .*# status 0: slavever=' "$out/reader.log"; then
    import -window root "${shot%.png}-failed.png"
    echo "kdconfig did not connect; screen saved as ${shot%.png}-failed.png" >&2
    exit 1
fi
import -window "$window" "$shot"
echo "connected: the reader answered the handshake and the version queries"
echo "screenshot of the connected window: ${shot#"$PWD"/}"
click 429 302 # 退出, at (399, 295), 60 by 14
for ((i = 0; i < 50; i++)); do
    kill -0 "$app" 2>/dev/null || exit 0
    sleep 0.1
done
echo "kdconfig did not close on 退出 within 5 s; stopping it" >&2
exit 1
