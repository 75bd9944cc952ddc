#!/usr/bin/env bash
# 导出配置… and 导入配置… in kdconfig.exe. The common file dialogs open owned by the
# settings dialog, which is disabled meanwhile; the export holds what kdcfg dump reads
# from the same reader; an import from a file with a Chinese name fills the pages and
# sends nothing until 保存, which then writes it and stores.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

log=$E2E_DIR/settings_profile.log
folder=$E2E_DIR/profiles
rm -rf "$folder"
mkdir -p "$folder"
dumped=$folder/dump.txt
exported=$folder/导出的配置.txt
imported=$folder/导入的配置.txt
winpath() { printf 'Z:%s' "$1" | sed 's|/|\\\\|g'; }

e2e_sim_start settings_profile || exit 1
# The reader as kdcfg sees it, before the tool holds the port.
if ! "$E2E_KDCFG" --port "$E2E_LINK" dump -o "$dumped" 2>>"$E2E_DIR/settings_profile.out"; then
    e2e_fail "kdcfg dump of the reader failed"
fi
e2e_app_start

bind_dialog="
find main \"$T_MAIN\" has=1006
find cfg \"$T_MAIN\" has=SysTabControl32 timeout=30000
scope sym cfg:1019
scope about cfg:1018"

e2e_check "export: the file dialog belongs to the settings dialog; the profile is written" \
    e2e_robot settings_profile_export <<EOF
find main "$T_MAIN" has=1006 timeout=30000
$E2E_CONNECT
click main:1003
$bind_dialog
click cfg:1101
find exp 导出配置 timeout=10000
expect cfg enabled 0
settext exp:1148 "$(winpath "$exported")"
click exp:1
msgbox $T_APPNAME *
expect cfg enabled 1
EOF

# Every exported line is the dump's line for that key.
if [ -s "$exported" ] && [ -s "$dumped" ]; then
    missing=$(grep -v '^#' "$exported" | grep -vxF -f <(grep -v '^#' "$dumped"))
    if [ -z "$missing" ] && grep -qx 'qrcode=1' "$exported"; then
        e2e_ok "export: $(grep -vc '^#' "$exported") keys, each as kdcfg dump has it"
    else
        e2e_fail "export: lines the dump does not have" "$missing"
    fi
else
    e2e_fail "export: no profile at $exported"
fi

sed -e 's/^qrcode=1$/qrcode=0/' -e 's/^deviceno=.*/deviceno=KD-IMPORTED-7/' "$exported" >"$imported"
before_import=$(e2e_requests "$log" | wc -l)
e2e_check "import: the pages show the file; nothing sent" e2e_robot settings_profile_import <<EOF
$bind_dialog
expect sym:1019 checked 1
click cfg:1102
find imp 导入配置 timeout=10000
expect cfg enabled 0
settext imp:1148 "$(winpath "$imported")"
click imp:1
msgbox $T_APPNAME "配置已导入到设置页，尚未写入设备。请检查后点击“保存”写入设备。"
expect sym:1019 checked 0
expect about:1055 text KD-IMPORTED-7
sleep 300
EOF
after_import=$(e2e_requests "$log" | wc -l)
if [ "$after_import" -eq "$before_import" ]; then
    e2e_ok "import: the reader saw no request"
else
    e2e_fail "import: the reader saw $((after_import - before_import)) requests"
fi

e2e_check "save after the import" e2e_robot settings_profile_save <<EOF
$bind_dialog
click cfg:1016
msgbox $T_APPNAME 保存成功! timeout=30000
click cfg:1017
gone cfg
close main
gone main
EOF
e2e_app_stop
writes=$(e2e_requests "$log" | tail -n +"$((after_import + 1))")
if grep -qx 'write qrcode=0' <<<"$writes" && grep -qx 'write deviceno=KD-IMPORTED-7' <<<"$writes" &&
    [ "$(tail -n 1 <<<"$writes")" = store ]; then
    e2e_ok "save: the imported values written, then stored"
else
    e2e_fail "save: other requests" "$(echo $writes)"
fi

e2e_result
