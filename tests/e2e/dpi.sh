#!/usr/bin/env bash
# The settings dialog at 96 and at 192 DPI. Wine 8 reads the screen's DPI at each
# program start from LogPixels under HKCU\Control Panel\Desktop, else under the
# hardware profile's Software\Fonts key (HKLM); no restart of the wineserver is needed.
# The pages must sit in the tab control's display area with none of their controls over
# a tab's caption; a screenshot of each is kept.
# The row of buttons under the tabs keeps its four buttons apart at both.
# While the dialog is open its owner, the main window, is disabled: a second 更改配置,
# the close box and the About entry reach it by message and do nothing.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

desktop='HKCU\Control Panel\Desktop'
set_dpi() {
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >>"$E2E_DIR/wine.log" 2>&1
}
# The prefix serves the other scenarios too: leave it at the default DPI.
e2e_on_exit "wine reg delete '$desktop' /v LogPixels /f >>'$E2E_DIR/wine.log' 2>&1"

e2e_sim_start dpi || exit 1
for dpi in 96 192; do
    rm -f "$E2E_DIR/dpi_$dpi.png" "$E2E_DIR/dpi_${dpi}_control.png"
    if ! set_dpi "$dpi"; then
        e2e_fail "$dpi DPI: the LogPixels value could not be written"
        continue
    fi
    e2e_app_start
    e2e_check "$dpi DPI: pages in the tab control's display area; the main window disabled" \
        e2e_robot "dpi_$dpi" <<EOF
find main "$T_MAIN" has=1006 timeout=30000
$E2E_CONNECT
click main:1003
find cfg "$T_MAIN" has=SysTabControl32 timeout=30000
print cfg:1015 rect
print cfg:1016 rect
print cfg:1101 rect
print cfg:1102 rect
print cfg:1017 rect
tabpages cfg:1015
shot cfg $(e2e_winpath "$E2E_DIR/dpi_$dpi.bmp")
tab cfg:1015 3
shot cfg $(e2e_winpath "$E2E_DIR/dpi_${dpi}_control.bmp")
expect main enabled 0
click main:1003
close main
syscommand main 16
sleep 300
count "$T_MAIN" 2
count "$T_ABOUT" 0
expect main:1014 text 已连接
click cfg:1017
gone cfg
expect main enabled 1
close main
gone main
EOF
    e2e_app_stop
    e2e_png "$E2E_DIR/dpi_$dpi.bmp"
    e2e_png "$E2E_DIR/dpi_${dpi}_control.bmp"
done

# The button row under the tabs: 保存, 导出配置…, 导入配置…, 退出 from left to right, none
# touching the next, all below the tab control and within its width.
buttons_apart() {
    local file=$1 id left top right bottom last_right=-1
    local tabs_left tabs_bottom tabs_right
    IFS=, read -r tabs_left _ tabs_right tabs_bottom < <(sed -n 's/^cfg:1015 rect = //p' "$file")
    for id in 1016 1101 1102 1017; do
        IFS=, read -r left top right bottom < <(sed -n "s/^cfg:$id rect = //p" "$file")
        [ -n "${bottom:-}" ] || return 1
        [ "$left" -gt "$last_right" ] && [ "$left" -ge "$tabs_left" ] &&
            [ "$right" -le "$tabs_right" ] && [ "$top" -ge "$tabs_bottom" ] || return 1
        last_right=$right
    done
}
for dpi in 96 192; do
    if buttons_apart "$E2E_DIR/dpi_$dpi.robot"; then
        e2e_ok "$dpi DPI: the four buttons lie apart in one row under the tabs"
    else
        e2e_fail "$dpi DPI: the buttons overlap or leave the row" \
            "$(grep -E '^cfg:(1015|1016|1101|1102|1017) rect' "$E2E_DIR/dpi_$dpi.robot")"
    fi
done

# The dialog and its tabs grew with the DPI: the second run really was at 192.
height() { sed -n 's/^cfg:1015 rect = [0-9-]*,\([0-9-]*\),[0-9-]*,\([0-9-]*\)$/\2 - \1/p' "$1"; }
small=$(( $(height "$E2E_DIR/dpi_96.robot") + 0 ))
large=$(( $(height "$E2E_DIR/dpi_192.robot") + 0 ))
if [ "$small" -gt 0 ] && [ "$large" -ge $((small * 3 / 2)) ]; then
    e2e_ok "the tab control is $small px high at 96 DPI and $large px at 192"
else
    e2e_fail "the tab control did not grow with the DPI: $small px at 96, $large px at 192"
fi

e2e_result
