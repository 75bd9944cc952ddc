#!/usr/bin/env bash
# The configuration upload from the tool under Wine: the hidden button 更新配置 (1005),
# posted by its id, sends the file "config" from the tool's current directory to the
# simulated reader, which must end up with an image of the same MD5. Then the same
# button with the file gone.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

cwd=$E2E_DIR/upload-cwd
uploads=$E2E_DIR/upload.uploads
rm -rf "$cwd" "$uploads"
mkdir -p "$cwd"
# Five full blocks and a short sixth one.
size=$((5 * 1012 + 300))
head -c "$size" /dev/urandom >"$cwd/config"
sent_md5=$(md5sum <"$cwd/config" | cut -d' ' -f1)

e2e_sim_start upload || exit 1
e2e_app_start "$cwd"

# The tool waits 4 s after the last block before it reports success.
e2e_check "config upload: 更新配置 by its id reports success after the closing wait" \
    e2e_robot upload_config <<EOF
find main "$T_MAIN" has=1006 timeout=30000
click main:1002
wait main:1014 text 已连接 timeout=15000
expect main:1005 visible 0
mark upload
click main:1005 hidden
msgbox $T_PROMPT 更新配置成功,请把设备断电重启以使配置生效 timeout=60000
elapsed upload min=4000
wait main:1003 enabled 1
wait main:1004 enabled 1
wait main:1005 enabled 1
expect main:1015 enabled 0
expect main:1002 enabled 0
EOF

got_md5=$(md5sum <"$uploads/tmconfig.config" 2>/dev/null | cut -d' ' -f1)
if [ -n "$got_md5" ] && [ "$got_md5" = "$sent_md5" ]; then
    e2e_ok "config upload: the reader's image tmconfig.config has the sender's MD5 $sent_md5"
else
    e2e_fail "config upload: image MD5 '${got_md5:-none}', file MD5 $sent_md5"
fi
e2e_check "config upload: start frame names tmconfig.config with the file's length and MD5" \
    grep -q "# upload start tmconfig.config $size bytes md5 $sent_md5" "$E2E_DIR/upload.log"
blocks=$(e2e_requests "$E2E_DIR/upload.log" | grep -c '^upload block ')
if [ "$blocks" -eq 6 ]; then
    e2e_ok "config upload: six blocks, each sent once"
else
    e2e_fail "config upload: $blocks blocks sent, expected 6"
fi

rm -f "$cwd/config"
e2e_check "config upload without the file: 打开文件错误, buttons back as connected" \
    e2e_robot upload_missing <<EOF
find main "$T_MAIN" has=1006
click main:1005 hidden
msgbox $T_PROMPT 打开文件错误，请检查相关文件是否存在! timeout=10000
wait main:1003 enabled 1
wait main:1005 enabled 1
expect main:1015 enabled 0
click main:1
gone main
EOF
e2e_app_stop

e2e_result
