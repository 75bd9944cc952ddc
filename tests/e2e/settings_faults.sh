#!/usr/bin/env bash
# The settings dialog over a reader that refuses one key ("deviceno"), for reads and
# writes: the technician is warned once when the dialog opens, and Save says it failed
# instead of "保存成功!", although it still runs every write and the store.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

log=$E2E_DIR/settings_faults.log
e2e_sim_start settings_faults --refuse-key deviceno || exit 1
e2e_app_start

e2e_check "a failed read: the dialog opens and warns once" e2e_robot settings_faults_open <<EOF
find main "$T_MAIN" has=1006 timeout=30000
click main:1002
wait main:1014 text 已连接 timeout=15000
click main:1003
find cfg "$T_MAIN" has=SysTabControl32 timeout=30000
msgbox $T_APPNAME 部分配置读取失败，保存将覆盖未能读取的设置，请检查设备连接后重新打开! timeout=10000
nomsgbox $T_APPNAME ms=300
expect cfg visible 1
scope about cfg:1018
expect about:1055 text ""
expect about:1018 text V3.1.7
EOF

e2e_check "a failed write: Save reports 保存失败, not 保存成功!" e2e_robot settings_faults_save <<EOF
find main "$T_MAIN" has=1006
find cfg "$T_MAIN" has=SysTabControl32
click cfg:1016
msgbox $T_APPNAME 保存失败，请检查设备连接后重试! timeout=30000
expect cfg visible 1
click cfg:1017
gone cfg
close main
gone main
EOF
e2e_app_stop

# The save still went all the way: the refused write, the writes after it, the store.
after=$(e2e_requests "$log" | sed -n '/^write deviceno=/,$p')
if [ "$(printf '%s\n' "$after" | head -n 1)" = "write deviceno=" ] &&
    [ "$(printf '%s\n' "$after" | tail -n 1)" = "store" ] &&
    printf '%s\n' "$after" | grep -q '^write nfccontentend='; then
    e2e_ok "a failed write: the rest of the writes and the store still went out"
else
    e2e_fail "a failed write: the sequence stopped early" "got: $(echo $after)"
fi

e2e_result
