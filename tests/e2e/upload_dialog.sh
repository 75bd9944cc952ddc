#!/usr/bin/env bash
# 固件升级 and 配置升级 from the system menu under Wine, at 96 and at 192 DPI: the
# firmware dialog shows the current folder's `update` with its size, the main window is
# disabled meanwhile, and a screenshot of it is kept at each DPI. At 96 DPI the
# configuration dialog then sends `config` whole: the reader's image has the file's MD5.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

desktop='HKCU\Control Panel\Desktop'
set_dpi() {
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >>"$E2E_DIR/wine.log" 2>&1
}
e2e_on_exit "wine reg delete '$desktop' /v LogPixels /f >>'$E2E_DIR/wine.log' 2>&1"

cwd=$E2E_DIR/upload_dialog-cwd
rm -rf "$cwd" "$E2E_DIR/upload_dialog.uploads"
mkdir -p "$cwd"
head -c 5000 /dev/urandom >"$cwd/update"
config_size=$((3 * 1012 + 100))
head -c "$config_size" /dev/urandom >"$cwd/config"
config_md5=$(md5sum <"$cwd/config" | cut -d' ' -f1)

e2e_sim_start upload_dialog || exit 1
for dpi in 96 192; do
    rm -f "$E2E_DIR/upload_dialog_$dpi.png" "$E2E_DIR/upload_dialog_config_done.png"
    if ! set_dpi "$dpi"; then
        e2e_fail "$dpi DPI: the LogPixels value could not be written"
        continue
    fi
    config_steps=""
    if [ "$dpi" = 96 ]; then
        config_steps="syscommand main 64
find up 配置升级 has=1415 timeout=10000
expect up:1413 text \"$config_size 字节\"
expect up:1414 text $config_md5
click up:1
wait up:1417 text 更新配置成功,请把设备断电重启以使配置生效 timeout=60000
expect up:1 enabled 1
shot up $(e2e_winpath "$E2E_DIR/upload_dialog_config_done.bmp")
close up
gone up"
    fi
    e2e_app_start "$cwd"
    e2e_check "$dpi DPI: 固件升级 shows update and its size; the main window waits" \
        e2e_robot "upload_dialog_$dpi" <<EOF
find main "$T_MAIN" has=1006 timeout=30000
$E2E_CONNECT
syscommand main 48
find up 固件升级 has=1415 timeout=10000
expect up:1411 text update
expect up:1413 text "5000 字节"
expect up:1 enabled 1
expect main enabled 0
print up:1415 rect
shot up $(e2e_winpath "$E2E_DIR/upload_dialog_$dpi.bmp")
close up
gone up
$config_steps
expect main enabled 1
close main
gone main
EOF
    e2e_app_stop
    e2e_png "$E2E_DIR/upload_dialog_$dpi.bmp"
done
e2e_png "$E2E_DIR/upload_dialog_config_done.bmp"

got_md5=$(md5sum <"$E2E_DIR/upload_dialog.uploads/tmconfig.config" 2>/dev/null | cut -d' ' -f1)
if [ -n "$got_md5" ] && [ "$got_md5" = "$config_md5" ]; then
    e2e_ok "配置升级: the reader's image has the file's MD5 $config_md5"
else
    e2e_fail "配置升级: image MD5 '${got_md5:-none}', file MD5 $config_md5"
fi

# The progress bar grew with the DPI: the second run really was at 192.
width() { sed -n 's/^up:1415 rect = \([0-9-]*\),[0-9-]*,\([0-9-]*\),.*$/\2 - \1/p' "$1"; }
small=$(($(width "$E2E_DIR/upload_dialog_96.robot") + 0))
large=$(($(width "$E2E_DIR/upload_dialog_192.robot") + 0))
if [ "$small" -gt 0 ] && [ "$large" -ge $((small * 3 / 2)) ]; then
    e2e_ok "the progress bar is $small px wide at 96 DPI and $large px at 192"
else
    e2e_fail "the progress bar did not grow with the DPI: $small px at 96, $large px at 192"
fi

e2e_result
