#!/usr/bin/env bash
# The settings dialog over a reader whose texts are GBK bytes, some of them not text at
# all: the pages show them converted, an unchanged Save writes the very bytes back,
# Chinese typed on the page goes out as GBK, and a field too long in bytes stops the
# Save with a message naming it.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

log=$E2E_DIR/settings_gbk.log
state=$E2E_DIR/settings_gbk.state
# The simulator's state file: 后缀 in GBK, and bytes that are not text (FF, CR, LF).
printf 'codeprefix=%%BA%%F3%%D7%%BA\ndeviceno=%%FFKD%%0D%%0A\n' >"$state"
E2E_KEEP_STATE=1 e2e_sim_start settings_gbk || exit 1
e2e_app_start

bind_dialog="
find main \"$T_MAIN\" has=1006
find cfg \"$T_MAIN\" has=SysTabControl32 timeout=30000
scope fmt cfg:1036
scope about cfg:1018"

e2e_check "GBK values show as text, odd bytes as escapes; an unchanged Save" e2e_robot settings_gbk_open <<EOF
find main "$T_MAIN" has=1006 timeout=30000
click main:1002
wait main:1014 text 已连接 timeout=15000
click main:1003
$bind_dialog
nomsgbox $T_APPNAME ms=300
expect fmt:1029 checked 1
expect fmt:1038 text 后缀
expect about:1055 text "\\\\xFFKD\\\\x0D\\\\x0A"
click cfg:1016
msgbox $T_APPNAME 保存成功! timeout=30000
EOF

holds() {
    if grep -qxF -- "$2" "$state"; then
        e2e_ok "$1"
    else
        e2e_fail "$1" "the state file lacks $2" "$(cat "$state")"
    fi
}
holds "unchanged Save: the GBK prefix went back byte for byte" 'codeprefix=%BA%F3%D7%BA'
holds "unchanged Save: the bytes that are not text went back unchanged" 'deviceno=%FFKD%0D%0A'

e2e_check "typed Chinese: Save reports 保存成功!" e2e_robot settings_gbk_typed <<EOF
$bind_dialog
tab cfg:1015 2
check fmt:1030
type fmt:1033 缀后
click cfg:1016
msgbox $T_APPNAME 保存成功! timeout=30000
EOF
holds "typed Chinese goes out as GBK" 'codepostfix=%D7%BA%BA%F3'

writes_before=$(e2e_requests "$log" | grep -c '^write ')
long=$(printf '后%.0s' $(seq 122))
e2e_check "122 Chinese characters: Save refused, naming the field and its bytes" e2e_robot settings_gbk_long <<EOF
$bind_dialog
tab cfg:1015 0
type fmt:1038 $long
click cfg:1016
msgbox $T_APPNAME "条码二维码前缀：内容为 244 字节，设备最多接受 243 字节（一个汉字占 2 字节），请缩短后再保存。" timeout=10000
expect cfg:1015 tab 2
expect fmt visible 1
click cfg:1017
gone cfg
close main
gone main
EOF
e2e_app_stop

writes_after=$(e2e_requests "$log" | grep -c '^write ')
if [ "$writes_after" = "$writes_before" ]; then
    e2e_ok "the refused Save wrote nothing"
else
    e2e_fail "the refused Save wrote $((writes_after - writes_before)) keys"
fi

e2e_result
