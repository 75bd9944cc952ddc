#!/usr/bin/env bash
# Connecting to readers that fail, on one run of the tool: one that never answers, one
# that refuses every request, then the same link with a sound reader, where a retry works.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

failed="验证设备失败，请重试或重新选择设备"

# A failed connect leaves the tool not connected, ready for another try.
not_connected="
expect main:1014 text 未连接
expect main:1015 enabled 1
expect main:1002 enabled 1
expect main:1003 enabled 0
expect main:1004 enabled 0
expect main:1005 enabled 0"

e2e_sim_start connect_silent --silent || exit 1
e2e_app_start

# Wine ends a read with no data after about 1.65 s; the message must not come earlier.
e2e_check "silent reader: failure message after the reply wait (1.5 s to 3 s)" \
    e2e_robot connect_silent <<EOF
find main "$T_MAIN" has=1006 timeout=30000
mark connect
click main:1002
msgbox $T_PROMPT $failed timeout=20000
elapsed connect min=1500 max=3000
$not_connected
expect main:1012 text ""
expect main:1013 text ""
EOF
e2e_check "silent reader: the tool did send its handshake" grep -q '# handshake$' "$E2E_DIR/connect_silent.log"

# The channel was closed after the failure: the reader can go away under Wine safely.
e2e_sim_start connect_refusing --refuse-all || exit 1
e2e_check "refusing reader: 验证设备失败，请重试或重新选择设备, not connected" \
    e2e_robot connect_refusing <<EOF
find main "$T_MAIN" has=1006
mark connect
click main:1002
msgbox $T_PROMPT $failed keep timeout=15000
elapsed connect
shot msgbox $(e2e_winpath "$E2E_DIR/connect_refused.bmp")
click msgbox:1
gone msgbox
$not_connected
expect main:1012 text ""
EOF
e2e_png "$E2E_DIR/connect_refused.bmp"

e2e_sim_start connect_retry || exit 1
e2e_check "retry on the same link with a sound reader: 已连接, version and date shown" \
    e2e_robot connect_retry <<EOF
find main "$T_MAIN" has=1006
$E2E_CONNECT
nomsgbox $T_PROMPT ms=300
click main:1
gone main
EOF
e2e_app_stop

e2e_result
