#!/usr/bin/env bash
# The main window on one run of the tool: start-up defaults, a second copy refused, the
# About box, refresh, and a successful connect to the simulated reader.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

e2e_sim_start main_window || exit 1
e2e_app_start
first=$E2E_APP_PID

e2e_check "start-up: line settings 9600/8/1/NONE, COM1 first and selected, not connected" \
    e2e_robot startup <<EOF
find main "$T_MAIN" has=1006 timeout=30000
expect main:1006 cursel 0
expect main:1006 seltext COM1
expect main:1006 text COM1
expect main:1007 seltext 9600
expect main:1007 items 110|300|1200|2400|4800|9600|19200|38400|57600|115200
expect main:1008 seltext 8
expect main:1008 items 5|6|7|8
expect main:1009 seltext 1
expect main:1009 items 1|2
expect main:1010 seltext NONE
expect main:1010 items NONE|ODD|EVEN|MARK|SPACE
expect main:1014 text 未连接
expect main:1012 text ""
expect main:1013 text ""
expect main:1000 checked 1
expect main:1001 visible 0
expect main:1011 visible 0
EOF

# The port list under Wine with NT 4.0 reported is the fixed COM1..COM16.
e2e_check "start-up: the port list begins with COM1, COM2, COM3" e2e_robot ports <<EOF
find main "$T_MAIN" has=1006
print main:1006 items
EOF
grep -q '^main:1006 items = COM1|COM2|COM3' "$E2E_DIR/ports.robot" ||
    e2e_fail "the port list is not COM1, COM2, COM3, ..."

e2e_check "start-up: 刷新, 连接设备, 退出 enabled; 更改配置 disabled; uploads hidden and disabled" \
    e2e_robot buttons <<EOF
find main "$T_MAIN" has=1006
expect main:1015 enabled 1
expect main:1002 enabled 1
expect main:1 enabled 1
expect main:1003 enabled 0
expect main:1004 enabled 0
expect main:1004 visible 0
expect main:1005 enabled 0
expect main:1005 visible 0
expect main:1015 caption "刷    新"
expect main:1002 caption 连接设备
expect main:1003 caption 更改配置
expect main:1 caption "退    出"
shot main $(e2e_winpath "$E2E_DIR/main_window_startup.bmp")
EOF
e2e_png "$E2E_DIR/main_window_startup.bmp"

# A second copy: its message, no second main window, exit code 0, the first unharmed.
e2e_app_start
second=$E2E_APP_PID
e2e_check "second copy: refused with its message and never shows a window" e2e_robot second <<EOF
find main "$T_MAIN" has=1006
msgbox $T_APPNAME 你已经打开了此配置工具，请先关闭程序 keep timeout=30000
count "$T_MAIN" 1
click msgbox:1
EOF
if _e2e_wait_gone "$second" 100; then
    wait "$second"
    code=$?
    if [ "$code" -eq 0 ]; then e2e_ok "second copy: exit code 0"; else e2e_fail "second copy: exit code $code, not 0"; fi
else
    e2e_fail "second copy: still running after its message was dismissed"
fi
e2e_check "second copy: the first keeps running" e2e_robot first_alive <<EOF
find main "$T_MAIN" has=1006
expect main visible 1
expect main:1014 text 未连接
expect main:1002 enabled 1
EOF
_e2e_pid_alive "$first" || e2e_fail "the first copy ended with the second"

e2e_check "About box: first line 更新工具 v1.0.5, closes with OK" e2e_robot about <<EOF
find main "$T_MAIN" has=1006
syscommand main 0x10
find about "$T_ABOUT" timeout=10000
expect about:1014 text "更新工具 v1.0.5"
shot about $(e2e_winpath "$E2E_DIR/about_box.bmp")
click about:1
gone about
expect main:1014 text 未连接
EOF
e2e_png "$E2E_DIR/about_box.bmp"

e2e_check "refresh: COM1 selected again, line settings kept, 刷新 and 连接设备 enabled" \
    e2e_robot refresh <<EOF
find main "$T_MAIN" has=1006
select main:1006 2
expect main:1006 seltext COM3
select main:1007 text=19200
select main:1010 text=EVEN
click main:1015
wait main:1006 cursel 0 timeout=10000
expect main:1006 seltext COM1
expect main:1007 seltext 19200
expect main:1010 seltext EVEN
expect main:1015 enabled 1
expect main:1002 enabled 1
expect main:1003 enabled 0
nomsgbox $T_PROMPT ms=200
select main:1007 text=9600
select main:1010 text=NONE
EOF

e2e_check "connect: version and build date shown, 已连接, buttons switched" e2e_robot connect <<EOF
find main "$T_MAIN" has=1006
$E2E_CONNECT
expect main:1004 visible 0
expect main:1005 visible 0
nomsgbox $T_PROMPT ms=300
shot main $(e2e_winpath "$E2E_DIR/main_window.bmp")
EOF
e2e_png "$E2E_DIR/main_window.bmp"

expected=$'handshake\nquery masterver\nquery slavever'
got=$(e2e_requests "$E2E_DIR/main_window.log")
if [ "$got" = "$expected" ]; then
    e2e_ok "connect: the reader saw handshake, masterver and slavever queries, nothing else"
else
    e2e_fail "connect: the reader saw other requests" "expected: ${expected//$'\n'/, }" "got: ${got//$'\n'/, }"
fi

e2e_check "退出 ends the tool" e2e_robot quit <<EOF
find main "$T_MAIN" has=1006
click main:1
gone main
EOF
if _e2e_wait_gone "$first" 50; then
    wait "$first"
    code=$?
    if [ "$code" -eq 0 ]; then e2e_ok "the tool exits with code 0"; else e2e_fail "the tool exited with code $code"; fi
else
    e2e_fail "the tool is still running after 退出"
fi

e2e_result
