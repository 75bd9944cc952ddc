#!/usr/bin/env bash
# scripts/run.sh --windows: builds kdconfig.exe (mingw-w64) and the modelled reader
# (native), starts the reader on a pseudo-terminal, maps it to COM1 in a private Wine
# prefix and opens the tool on it. Without a DISPLAY the tool connects through the test
# robot and a screenshot is saved to build/run/kdconfig.png.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
build() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null || return 1
    cmake --build --preset "$preset" --target "$@" >/dev/null || return 1
}
echo "building kdconfig.exe (mingw-w64) and kdreader-sim (native)..."
build mingw kdconfig kd_robot || { echo "the Windows build failed" >&2; exit 1; }
build native kdreader-sim || { echo "the native build failed" >&2; exit 1; }

export E2E_DIR=$PWD/build/run
export E2E_REUSE_PREFIX=1 E2E_KEEP_STATE=1
interactive=0
if [ -n "${DISPLAY:-}" ]; then
    interactive=1
    export E2E_USE_DISPLAY=1 E2E_MANAGED=Y
fi
. tests/e2e/lib.sh
[ -f "$E2E_PREFIX/.kd-ready" ] || echo "making a Wine prefix in $E2E_PREFIX (once)..."
e2e_setup || exit 1

e2e_sim_start reader || exit 1
echo "modelled reader: $(head -n 1 "$E2E_DIR/reader.out" 2>/dev/null) (linked at $E2E_LINK, COM1 in Wine)"
echo "  its frame log: $E2E_DIR/reader.log; its saved keys: $E2E_DIR/reader.state"
e2e_app_start "$E2E_DIR"

if [ "$interactive" = 1 ]; then
    echo "kdconfig.exe is open on $DISPLAY: pick COM1 and press 连接设备."
    echo "Close the tool (退出) to stop the reader and Wine."
    wait "$E2E_APP_PID"
    echo "kdconfig.exe closed."
    exit 0
fi

shot=$E2E_DIR/kdconfig.png
echo "no DISPLAY: running on the virtual display $DISPLAY and connecting through the robot..."
if ! e2e_robot run_connect <<EOF; then
find main "$T_MAIN" has=1006 timeout=60000
click main:1002
wait main:1014 text 已连接 timeout=15000
print main:1012
print main:1013
print main:1014
shot main $(e2e_winpath "${shot%.png}.bmp")
click main:1
gone main
EOF
    e2e_screen kdconfig-failed
    echo "the tool did not connect; screen saved as $E2E_DIR/kdconfig-failed.png" >&2
    exit 1
fi
e2e_png "${shot%.png}.bmp"
echo "screenshot of the connected tool: ${shot#"$PWD"/}"
