# Shared pieces of the end-to-end tests: kdconfig.exe under Wine on a virtual display,
# talking to kdreader-sim on a pseudo-terminal that the Wine prefix maps as COM1.
#
# Sourced by the scenario scripts, the runner and scripts/run.sh. The prefix, the X
# server and the wineserver are made once and shared by every scenario of a run: the
# first script that calls e2e_setup owns them and tears them down at its exit; scripts it
# starts find them through the exported E2E_* variables. Processes are stopped by the
# PIDs saved here, never by name.

E2E_REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_DIR=${E2E_DIR:-$E2E_REPO/build/e2e}
E2E_PREFIX=${E2E_PREFIX:-$E2E_DIR/prefix}
# The pseudo-terminal of the simulated reader appears here; the prefix maps COM1 to it.
E2E_LINK=${E2E_LINK:-$E2E_DIR/reader-com1}
# COM2 to COM4, for kdcfg.exe on several readers at once.
E2E_LINKS_MORE=("$E2E_DIR/reader-com2" "$E2E_DIR/reader-com3" "$E2E_DIR/reader-com4")
E2E_KDCONFIG=${E2E_KDCONFIG:-$E2E_REPO/build/mingw/app/kdconfig.exe}
E2E_ROBOT=${E2E_ROBOT:-$E2E_REPO/build/mingw/tests/e2e/robot/robot.exe}
E2E_SIM=${E2E_SIM:-$E2E_REPO/build/native/sim/kdreader-sim}
E2E_KDCFG=${E2E_KDCFG:-$E2E_REPO/build/native/cli/kdcfg}
E2E_KDCFG_EXE=${E2E_KDCFG_EXE:-$E2E_REPO/build/mingw/cli/kdcfg.exe}
export E2E_DIR E2E_PREFIX E2E_LINK

# The window titles, as the tool shows them.
T_MAIN="星澜配置工具KD系列(串口)V2.0.3"
T_ABOUT="关于配置工具"
T_PROMPT="提示"

# Robot steps: press 连接设备 and see the simulated reader connected: its version and
# build date shown, 已连接, and the buttons of the connected state.
E2E_CONNECT='click main:1002
wait main:1014 text 已连接 timeout=15000
expect main:1012 text V3.1.7
expect main:1013 text "2026-10-12 15:04:33"
expect main:1003 enabled 1
expect main:1004 enabled 1
expect main:1005 enabled 1
expect main:1015 enabled 0
expect main:1002 enabled 0'
T_APPNAME="kdconfig"

export WINEPREFIX=$E2E_PREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

_e2e_sim_pid=""
_e2e_app_pids=()
_e2e_cleanups=()
_e2e_failures=0
_e2e_checks=0

e2e_log() { printf '%s\n' "$*" >&2; }

# A scenario check: prints "ok" or "FAIL" with the description; counts failures.
e2e_ok() {
    _e2e_checks=$((_e2e_checks + 1))
    printf 'ok   - %s\n' "$1"
}
e2e_fail() {
    _e2e_checks=$((_e2e_checks + 1))
    _e2e_failures=$((_e2e_failures + 1))
    printf 'FAIL - %s\n' "$1"
    shift
    local line
    for line in "$@"; do printf '       %s\n' "$line"; done
}
# e2e_check DESCRIPTION COMMAND...: the command's exit status decides.
e2e_check() {
    local what=$1
    shift
    if "$@"; then e2e_ok "$what"; else e2e_fail "$what"; fi
}
# Exit status of a scenario script.
e2e_result() {
    [ "$_e2e_failures" -eq 0 ] && [ "$_e2e_checks" -gt 0 ]
}

# Registers a command for the cleanup at exit (run last-registered first).
e2e_on_exit() { _e2e_cleanups+=("$*"); }

_e2e_pid_alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }

# Waits up to $2 tenths of a second for PID $1 to end; true when it did.
_e2e_wait_gone() {
    local pid=$1 tenths=$2 i
    for ((i = 0; i < tenths; i++)); do
        _e2e_pid_alive "$pid" || return 0
        sleep 0.1
    done
    ! _e2e_pid_alive "$pid"
}

_e2e_display_free() {
    local n=$1
    [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]
}

# An X server of our own on a display number nobody else uses.
_e2e_start_x() {
    local n
    for n in 87 89 93 97 101 103 107; do
        _e2e_display_free "$n" || continue
        # Large enough for the settings dialog at 192 DPI (about 1400 by 1100 pixels).
        Xvfb ":$n" -screen 0 2048x1536x24 -nolisten tcp >"$E2E_DIR/xvfb.log" 2>&1 &
        E2E_XVFB_PID=$!
        local i
        for ((i = 0; i < 100; i++)); do
            if [ -e "/tmp/.X11-unix/X$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
                export E2E_DISPLAY=":$n" E2E_XVFB_PID
                return 0
            fi
            _e2e_pid_alive "$E2E_XVFB_PID" || break
            sleep 0.1
        done
        kill "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    done
    e2e_log "e2e: no X display could be started (see $E2E_DIR/xvfb.log)"
    return 1
}

# Registry settings for the prefix: reported version NT 4.0 (so the port list is the fixed
# COM1..COM16), unmanaged windows (fast close on a bare X server; E2E_MANAGED=Y leaves
# them to the window manager of a real desktop), COM1 to COM4 on our links, and
# a CJK font for the Chinese texts. regedit wants UTF-16LE with a byte order mark for the
# non-ASCII value names.
_e2e_registry() {
    local reg=$E2E_DIR/prefix-settings.reg
    {
        printf '\xff\xfe'
        iconv -f UTF-8 -t UTF-16LE <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine]
"Version"="nt40"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="${E2E_MANAGED:-N}"

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]
"COM1"="$E2E_LINK"
"COM2"="${E2E_LINKS_MORE[0]}"
"COM3"="${E2E_LINKS_MORE[1]}"
"COM4"="${E2E_LINKS_MORE[2]}"

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]
"宋体"="AR PL UMing CN"
"SimSun"="AR PL UMing CN"
"新宋体"="AR PL UMing CN"
"NSimSun"="AR PL UMing CN"
EOF
    } >"$reg"
    wine regedit /S "Z:${reg//\//\\}" >>"$E2E_DIR/wine.log" 2>&1
}

_e2e_make_prefix() {
    local started=$SECONDS
    rm -rf "$E2E_PREFIX"
    mkdir -p "$E2E_PREFIX"
    if ! wineboot -i >>"$E2E_DIR/wine.log" 2>&1; then
        e2e_log "e2e: wineboot failed (see $E2E_DIR/wine.log)"
        return 1
    fi
    _e2e_registry || { e2e_log "e2e: regedit failed"; return 1; }
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$E2E_PREFIX/drive_c/windows/Fonts/"
    fi
    touch "$E2E_PREFIX/.kd-ready"
    e2e_log "e2e: Wine prefix made in $((SECONDS - started)) s: $E2E_PREFIX"
}

# Wine links COM1 to the registry's port path when it starts up, not when the value
# changes: the registry is written, then the wineserver restarted. It then stays up for
# the whole run, so that each program starts warm in tens of milliseconds. Its output is
# dropped: the reader's pseudo-terminal becomes its controlling terminal, and each time a
# reader goes away the hang-up makes it dump its whole object table (megabytes).
_e2e_start_wineserver() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    wineserver -p >/dev/null 2>&1
}

# For scenarios without Wine: the output folder and the cleanup at exit.
e2e_setup_native() {
    mkdir -p "$E2E_DIR"
    trap '_e2e_cleanup' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
}

# Prefix, display and wineserver; made by the first caller in a process tree, reused by
# the scripts it starts.
e2e_setup() {
    e2e_setup_native
    local tool
    for tool in wine wineserver Xvfb xdpyinfo iconv; do
        command -v "$tool" >/dev/null || { e2e_log "e2e: $tool is not installed"; return 1; }
    done
    if [ -n "${E2E_OWNER:-}" ] && [ -f "$E2E_PREFIX/.kd-ready" ] && _e2e_pid_alive "${E2E_XVFB_PID:-}"; then
        export DISPLAY=$E2E_DISPLAY
        return 0
    fi
    export E2E_OWNER=$$
    _e2e_owner=1
    : >"$E2E_DIR/wine.log"
    if [ "${E2E_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then
        # The user's own display, for a tool left open to be used.
        export E2E_DISPLAY=$DISPLAY
    else
        _e2e_start_x || return 1
    fi
    export DISPLAY=$E2E_DISPLAY
    if [ "${E2E_REUSE_PREFIX:-0}" = 1 ] && [ -f "$E2E_PREFIX/.kd-ready" ]; then
        # The link path may differ from the one the prefix was made with.
        _e2e_registry || { e2e_log "e2e: regedit failed"; return 1; }
    else
        _e2e_make_prefix || return 1
    fi
    _e2e_start_wineserver
}

e2e_require_builds() {
    local file missing=0
    for file in "$E2E_KDCONFIG" "$E2E_ROBOT" "$E2E_SIM"; do
        [ -f "$file" ] || { e2e_log "e2e: missing $file (build the mingw and native presets)"; missing=1; }
    done
    return "$missing"
}

# e2e_sim_start NAME [kdreader-sim options...]: a fresh simulated reader on the COM1
# link, with its log, state file and upload folder under build/e2e/NAME.*.
e2e_sim_start() {
    local name=$1
    shift
    e2e_sim_stop
    # Each start is a fresh reader: the log and state of an earlier run would mislead.
    # E2E_KEEP_STATE=1 keeps the saved keys, for a reader that outlives one run.
    rm -f "$E2E_DIR/$name.log"
    [ "${E2E_KEEP_STATE:-0}" = 1 ] || rm -f "$E2E_DIR/$name.state"
    mkdir -p "$E2E_DIR/$name.uploads"
    "$E2E_SIM" --link "$E2E_LINK" --log "$E2E_DIR/$name.log" --state "$E2E_DIR/$name.state" \
        --uploads "$E2E_DIR/$name.uploads" "$@" >"$E2E_DIR/$name.out" 2>&1 &
    _e2e_sim_pid=$!
    local i
    for ((i = 0; i < 100; i++)); do
        [ -e "$E2E_LINK" ] && return 0
        _e2e_pid_alive "$_e2e_sim_pid" || break
        sleep 0.05
    done
    e2e_log "e2e: kdreader-sim did not come up: $(cat "$E2E_DIR/$name.out")"
    return 1
}

# Stops the reader. The tool must have let go of its port by then (a failed connect
# closes it, and so does the end of the tool), or its next read meets a vanished port.
e2e_sim_stop() {
    [ -n "$_e2e_sim_pid" ] || return 0
    kill -TERM "$_e2e_sim_pid" 2>/dev/null
    _e2e_wait_gone "$_e2e_sim_pid" 30 || kill -KILL "$_e2e_sim_pid" 2>/dev/null
    wait "$_e2e_sim_pid" 2>/dev/null
    _e2e_sim_pid=""
}

# e2e_app_start [DIR]: kdconfig.exe in the background, with DIR as its current
# directory (the uploads read their files from there). Sets E2E_APP_PID.
e2e_app_start() {
    local dir=${1:-$E2E_DIR}
    (cd "$dir" && exec wine "$E2E_KDCONFIG") >>"$E2E_DIR/wine.log" 2>&1 &
    E2E_APP_PID=$!
    _e2e_app_pids+=("$E2E_APP_PID")
}

# Ends one copy of the tool: its own 退出 path if the robot closed it, else by its PID.
e2e_app_stop() {
    local pid=${1:-$E2E_APP_PID}
    _e2e_pid_alive "$pid" || { wait "$pid" 2>/dev/null; return 0; }
    _e2e_wait_gone "$pid" 30 || kill -TERM "$pid" 2>/dev/null
    _e2e_wait_gone "$pid" 20 || kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

# e2e_robot NAME [COMMAND...]: runs the robot over the commands on standard input (or
# the arguments); its output goes to build/e2e/NAME.robot and to standard output.
# True when every command held.
e2e_robot() {
    local name=$1
    shift
    local status=0
    wine "$E2E_ROBOT" "$@" >"$E2E_DIR/$name.robot" 2>>"$E2E_DIR/wine.log" || status=$?
    sed 's/^/       | /' "$E2E_DIR/$name.robot"
    return "$status"
}

# A path for the robot, quoted for its command line: Wine sees the Linux root as drive Z:.
e2e_winpath() { printf '"Z:%s"' "$1"; }

# Turns the robot's window captures into PNGs; the whole screen as a fallback.
e2e_png() {
    local bmp=$1 png=${1%.bmp}.png
    if [ -s "$bmp" ] && convert "$bmp" "$png" 2>/dev/null; then
        rm -f "$bmp"
        return 0
    fi
    import -window root -display "$DISPLAY" "$png" 2>/dev/null
}

e2e_screen() {
    import -window root -display "$DISPLAY" "$E2E_DIR/$1.png" 2>/dev/null
}

# The sim's log, as the requests it received: "handshake", "read KEY", "write K=V", ...
e2e_requests() {
    sed -n 's/^[0-9:.]* RX [0-9A-F ]*  # //p' "$1"
}

_e2e_cleanup() {
    local status=$?
    local i
    for ((i = ${#_e2e_cleanups[@]} - 1; i >= 0; i--)); do
        eval "${_e2e_cleanups[$i]}" || true
    done
    # Wine first, so that nothing holds the reader's pseudo-terminal when it goes.
    local pid alive=0
    for pid in "${_e2e_app_pids[@]}"; do
        _e2e_pid_alive "$pid" && alive=1
    done
    if [ "$alive" = 1 ]; then
        for pid in "${_e2e_app_pids[@]}"; do
            _e2e_pid_alive "$pid" && kill -TERM "$pid" 2>/dev/null
        done
        for pid in "${_e2e_app_pids[@]}"; do
            _e2e_wait_gone "$pid" 20 || kill -KILL "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null
        done
    fi
    if [ "${_e2e_owner:-0}" = 1 ]; then
        wineserver -k >/dev/null 2>&1
        wineserver -w >/dev/null 2>&1
    fi
    e2e_sim_stop
    if [ "${_e2e_owner:-0}" = 1 ] && [ -n "${E2E_XVFB_PID:-}" ]; then
        kill -TERM "$E2E_XVFB_PID" 2>/dev/null
        _e2e_wait_gone "$E2E_XVFB_PID" 30 || kill -KILL "$E2E_XVFB_PID" 2>/dev/null
        wait "$E2E_XVFB_PID" 2>/dev/null
    fi
    exit "$status"
}
