#!/usr/bin/env bash
# 通信记录 at 96 and at 192 DPI. Before connect the system menu's entry is greyed out, and
# the command sent by message opens nothing. After connect it opens the frame log beside
# the main window, which still takes clicks; the log lists connect's six frames, the
# handshake first. A screenshot of each DPI is kept.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

T_LOG="通信记录"
desktop='HKCU\Control Panel\Desktop'
set_dpi() {
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >>"$E2E_DIR/wine.log" 2>&1
}
# The prefix serves the other scenarios too: leave it at the default DPI.
e2e_on_exit "wine reg delete '$desktop' /v LogPixels /f >>'$E2E_DIR/wine.log' 2>&1"

e2e_sim_start frame_log || exit 1
for dpi in 96 192; do
    rm -f "$E2E_DIR/frame_log_$dpi.png"
    if ! set_dpi "$dpi"; then
        e2e_fail "$dpi DPI: the LogPixels value could not be written"
        continue
    fi
    e2e_app_start
    e2e_check "$dpi DPI: 通信记录 greyed before connect, then beside the main window" \
        e2e_robot "frame_log_$dpi" <<SCRIPT
find main "$T_MAIN" has=1006 timeout=30000
syscommand main 32
sleep 300
count "$T_LOG" 0
$E2E_CONNECT
syscommand main 32
find log "$T_LOG" has=1401 timeout=10000
expect log:1401 lines 6
print log:1401 firstline
print log:1401 rect
expect main enabled 1
expect main:1003 enabled 1
shot log $(e2e_winpath "$E2E_DIR/frame_log_$dpi.bmp")
close log
gone log
close main
gone main
SCRIPT
    e2e_app_stop
    e2e_png "$E2E_DIR/frame_log_$dpi.bmp"
    if grep -q '^log:1401 firstline = .*发送 > 68 DD DD 01 00 00 00 69  handshake' \
        "$E2E_DIR/frame_log_$dpi.robot"; then
        e2e_ok "$dpi DPI: the first line is the handshake, timed and in words"
    else
        e2e_fail "$dpi DPI: the first line is not the handshake" \
            "$(grep '^log:1401' "$E2E_DIR/frame_log_$dpi.robot")"
    fi
done

# The list grew with the DPI: the second run really was at 192.
height() { sed -n 's/^log:1401 rect = [0-9-]*,\([0-9-]*\),[0-9-]*,\([0-9-]*\)$/\2 - \1/p' "$1"; }
small=$(( $(height "$E2E_DIR/frame_log_96.robot") + 0 ))
large=$(( $(height "$E2E_DIR/frame_log_192.robot") + 0 ))
if [ "$small" -gt 0 ] && [ "$large" -ge $((small * 3 / 2)) ]; then
    e2e_ok "the list is $small px high at 96 DPI and $large px at 192"
else
    e2e_fail "the list did not grow with the DPI: $small px at 96, $large px at 192"
fi

e2e_result
