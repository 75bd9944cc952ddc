#!/usr/bin/env bash
# 扫描测试 at 96 and at 192 DPI. Before connect the system menu's entry is greyed out, and
# the command sent by message opens nothing. After connect it opens the scan test beside
# the main window, which still takes clicks; a code read written into the simulator's
# FIFO is listed with its hex. A screenshot of each DPI is kept. Then a suffix saved in the
# settings dialog shows in the next read.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

T_SCAN="扫描测试"
fifo=$E2E_DIR/scan_test.fifo
desktop='HKCU\Control Panel\Desktop'
set_dpi() {
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >>"$E2E_DIR/wine.log" 2>&1
}
# The prefix serves the other scenarios too: leave it at the default DPI.
e2e_on_exit "wine reg delete '$desktop' /v LogPixels /f >>'$E2E_DIR/wine.log' 2>&1"

rm -f "$fifo"
mkfifo "$fifo" || { e2e_fail "no FIFO at $fifo"; e2e_result; exit; }
e2e_sim_start scan_test --scans "$fifo" || exit 1
for dpi in 96 192; do
    rm -f "$E2E_DIR/scan_test_$dpi.png"
    if ! set_dpi "$dpi"; then
        e2e_fail "$dpi DPI: the LogPixels value could not be written"
        continue
    fi
    e2e_app_start
    e2e_check "$dpi DPI: 扫描测试 greyed before connect, then beside the main window" \
        e2e_robot "scan_test_open_$dpi" <<SCRIPT
find main "$T_MAIN" has=1006 timeout=30000
syscommand main 80
sleep 300
count "$T_SCAN" 0
$E2E_CONNECT
syscommand main 80
find scan "$T_SCAN" has=1432 timeout=10000
wait scan:1431 text "正在监听：条码以 0D 结束；卡号在停顿后结束"
expect scan:1432 lines 0
expect main enabled 1
expect main:1003 enabled 1
SCRIPT
    # The read comes while the window listens; the robot has let go of it meanwhile.
    printf 'KD-WINE-%s\n' "$dpi" >"$fifo"
    e2e_check "$dpi DPI: the read is listed" e2e_robot "scan_test_$dpi" <<SCRIPT
find scan "$T_SCAN" has=1432 timeout=10000
wait scan:1432 lines 1 timeout=10000
print scan:1432 firstline
print scan:1432 rect
shot scan $(e2e_winpath "$E2E_DIR/scan_test_$dpi.bmp")
click scan:1433
wait scan:1432 lines 0
close scan
gone scan
find main "$T_MAIN" has=1006
close main
gone main
SCRIPT
    e2e_app_stop
    e2e_png "$E2E_DIR/scan_test_$dpi.bmp"
    if grep -q "^scan:1432 firstline = .*条码  KD-WINE-$dpi  \[content .* | CR 0D\]" \
        "$E2E_DIR/scan_test_$dpi.robot"; then
        e2e_ok "$dpi DPI: the read shows its content and hex"
    else
        e2e_fail "$dpi DPI: the read is not shown as expected" \
            "$(grep '^scan:1432' "$E2E_DIR/scan_test_$dpi.robot")"
    fi
done

# A suffix saved in the settings dialog opened beside the scan test shows in the next
# read; the scan test pauses while the dialog is open and asks for the keys again after.
set_dpi 96 || e2e_fail "the LogPixels value could not be written back"
e2e_app_start
e2e_check "suffix: saved from the settings dialog while the scan test listens" \
    e2e_robot scan_test_suffix_save <<SCRIPT
find main "$T_MAIN" has=1006 timeout=30000
$E2E_CONNECT
syscommand main 80
find scan "$T_SCAN" has=1432 timeout=10000
click main:1003
find cfg "$T_MAIN" has=SysTabControl32 timeout=30000
scope fmt cfg:1036
wait scan:1431 text 暂停监听：设置窗口正在与设备通信
tab cfg:1015 2
check fmt:1053
check fmt:1030
type fmt:1033 5D
click cfg:1016
msgbox $T_APPNAME 保存成功! timeout=30000
click cfg:1017
gone cfg
wait scan:1431 text "正在监听：条码以 5D 0D 结束；卡号在停顿后结束"
SCRIPT
printf 'KD-WINE-SUFFIX\n' >"$fifo"
e2e_check "suffix: the next read carries it" e2e_robot scan_test_suffix <<SCRIPT
find scan "$T_SCAN" has=1432 timeout=10000
wait scan:1432 lines 1 timeout=10000
print scan:1432 firstline
close scan
gone scan
find main "$T_MAIN" has=1006
close main
gone main
SCRIPT
e2e_app_stop
if grep -q '^scan:1432 firstline = .*条码  KD-WINE-SUFFIX  \[content .* | suffix 5D | CR 0D\]' \
    "$E2E_DIR/scan_test_suffix.robot"; then
    e2e_ok "suffix: the read shows suffix 5D before CR"
else
    e2e_fail "suffix: the read does not show the new suffix" \
        "$(grep '^scan:1432' "$E2E_DIR/scan_test_suffix.robot")"
fi

# The list grew with the DPI: the second run really was at 192.
height() { sed -n 's/^scan:1432 rect = [0-9-]*,\([0-9-]*\),[0-9-]*,\([0-9-]*\)$/\2 - \1/p' "$1"; }
small=$(($(height "$E2E_DIR/scan_test_96.robot") + 0))
large=$(($(height "$E2E_DIR/scan_test_192.robot") + 0))
if [ "$small" -gt 0 ] && [ "$large" -ge $((small * 3 / 2)) ]; then
    e2e_ok "the list is $small px high at 96 DPI and $large px at 192"
else
    e2e_fail "the list did not grow with the DPI: $small px at 96, $large px at 192"
fi

e2e_result
