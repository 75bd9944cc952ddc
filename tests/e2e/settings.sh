#!/usr/bin/env bash
# The settings dialog over the simulated reader: open it from 更改配置, check what each
# page loaded, change controls on every page, Save, and check with the reader's log and
# state file that exactly the expected keys were written, in order, then stored. Reopen
# and see the new values; change something and leave with 退出, which writes nothing.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
e2e_require_builds || exit 1

log=$E2E_DIR/settings.log
state=$E2E_DIR/settings.state
rm -f "$state"
e2e_sim_start settings || exit 1
e2e_app_start

# The open dialog, and its pages: they reuse control ids, so each page gets a name by a
# control only it has.
bind_dialog="
find main \"$T_MAIN\" has=1006
find cfg \"$T_MAIN\" has=SysTabControl32 timeout=30000
scope sym cfg:1019
scope mode cfg:1022
scope fmt cfg:1036
scope ctl cfg:1044
scope about cfg:1018"
open_dialog="
click main:1003
$bind_dialog
expect cfg:1015 tab 0
expect sym visible 1
expect mode visible 0
expect fmt visible 0
expect ctl visible 0
expect about visible 0
nomsgbox $T_APPNAME ms=300"

# What the dialog reads on opening, with "io_outputs" "com1" and "nfcable" "1".
expected_reads="qrcode dmcode onecode pdf417code io_outputs com1_baudrate com1_stopbits
com1_bytesizes com1_paritys contentorder codeprefix codepostfix nfcprefix nfcpostfix
codeprepostformat nfcprepostformat nfcreadmethod codehint reboothint nfchint workmode
intervaltime nfccontentbegin nfccontentend nfcable nfccontentformat codecontentformat
contentformat developctrl scanmode masterver deviceno historytime"
expected_reads=$(printf 'read %s\n' $expected_reads)

e2e_check "open: connect, 更改配置 opens the settings dialog on its first tab" e2e_robot settings_open <<EOF
find main "$T_MAIN" has=1006 timeout=30000
click main:1002
wait main:1014 text 已连接 timeout=15000
mark open
$open_dialog
elapsed open
EOF

# The connect's three requests, then the reads; nothing written while opening.
expected_open="handshake
query masterver
query slavever
$expected_reads"
opened=$(e2e_requests "$log")
if [ "$opened" = "$expected_open" ]; then
    e2e_ok "open: the pages read their keys in the designed order, nothing else"
else
    e2e_fail "open: the reader saw other requests" "expected: $(echo $expected_open)" "got: $(echo $opened)"
fi
opened_count=$(printf '%s\n' "$expected_open" | wc -l)

# The reader's starting values, as each page shows them.
e2e_check "open: every page shows the reader's values" e2e_robot settings_loaded <<EOF
$bind_dialog
expect sym:1019 checked 1
expect sym:1020 checked 1
expect sym:1021 checked 1
expect sym:1078 checked 0
expect mode:1022 checked 1
expect mode:1022 enabled 0
expect mode:1063 visible 0
expect mode:1040 text 9600
expect mode:1041 text 1
expect mode:1042 text 8
expect mode:1043 text NONE
expect mode:1040 items 110|115200|1200|128000|134|14400|150|1800|19200|2400|256000|300|38400|4800|56000|57600|600|7200|9600
expect fmt:1036 checked 1
expect fmt:1037 checked 0
expect fmt:1053 checked 0
expect fmt:1054 checked 1
expect fmt:1029 checked 0
expect fmt:1038 text ""
expect fmt:1079 checked 1
expect fmt:1092 checked 0
expect fmt:1091 checked 1
expect ctl:1044 checked 1
expect ctl:1089 checked 1
expect ctl:1077 checked 1
expect ctl:1090 checked 0
expect ctl:1073 checked 1
expect ctl:1024 checked 1
expect ctl:1028 text 1000
expect ctl:1045 checked 1
expect ctl:1068 text 0
expect ctl:1069 text 16
expect ctl:1047 checked 1
expect ctl:1053 checked 1
expect ctl:1060 checked 1
expect ctl:1072 checked 1
expect about:1018 text V3.1.7
expect about:1018 enabled 0
expect about:1055 text KD-000123
expect about:1056 visible 0
EOF


shot() { e2e_winpath "$E2E_DIR/settings_$1.bmp"; }
e2e_check "edit: change controls on every page, Save reports 保存成功!" e2e_robot settings_edit <<EOF
$bind_dialog
uncheck sym:1019
check sym:1078
shot cfg $(shot symbology)
tab cfg:1015 1
expect mode visible 1
expect sym visible 0
select mode:1040 text=115200
select mode:1043 text=EVEN
shot cfg $(shot output_mode)
tab cfg:1015 2
expect fmt visible 1
check fmt:1037
check fmt:1029
type fmt:1038 AB
check fmt:1031
type fmt:1034 N1
check fmt:1053
expect fmt:1054 checked 0
check fmt:1092
expect fmt:1091 checked 0
shot cfg $(shot output_format)
tab cfg:1015 3
expect ctl visible 1
uncheck ctl:1089
check ctl:1074
expect ctl:1073 checked 0
check ctl:1026
expect ctl:1024 checked 0
type ctl:1028 250
check ctl:1061
expect ctl:1060 checked 0
expect ctl:1053 checked 1
expect ctl:1047 checked 1
expect ctl:1074 checked 1
check ctl:1071
expect ctl:1072 checked 0
shot cfg $(shot control)
tab cfg:1015 4
expect about visible 1
type about:1055 KD-E2E-42
shot cfg $(shot about)
click cfg:1016
msgbox $T_APPNAME 保存成功! timeout=30000
expect cfg visible 1
click cfg:1017
gone cfg
expect main:1014 text 已连接
expect main:1003 enabled 1
EOF
for page in symbology output_mode output_format control about; do
    e2e_png "$E2E_DIR/settings_$page.bmp"
done

expected_writes="pdf417code=1 qrcode=0 dmcode=1 onecode=1
io_inits=com0,com1,hid1,com2 io_monitors=com1,hid1 io_outputs=com1
com1_baudrate=115200 com1_bytesizes=8 com1_stopbits=1 com1_paritys=EVEN
contentorder=PREFIX,CONTENT,POSTFIX,ENTER,WRAP codeprefix=AB codepostfix=
nfccontentorder=NFCPREFIX,NFC,NFCPOSTFIX nfcprefix=N1 nfcpostfix=
intervaltime=250 nfchint=1 codehint=1 reboothint=8,9,11 workmode=2
nfcserial=com0 nfcable=1 com0_devname=/dev/ttyS2 nfccontentformat=hex
codeprepostformat=hex nfcprepostformat=hex nfcreadmethod=1 deviceno=KD-E2E-42
nfccontentbegin=0 nfccontentend=16 codecontentformat=char contentformat=hex
developctrl=2 scanmode=1"
expected_save="$(printf 'write %s\n' $expected_writes)
store"
# Everything after the opening reads: the writes of Save, then the store, nothing else.
got_save=$(e2e_requests "$log" | tail -n +"$((opened_count + 1))")
if [ "$got_save" = "$expected_save" ]; then
    e2e_ok "save: exactly the expected keys written in order, then one store"
else
    e2e_fail "save: the reader saw other requests" \
        "expected: $(echo $expected_save)" "got:      $(echo $got_save)"
    diff <(echo "$expected_save") <(echo "$got_save") | sed 's/^/       /'
fi

missing=""
if [ -f "$state" ]; then
    for pair in $expected_writes; do
        grep -qxF -- "$pair" "$state" || missing="$missing $pair"
    done
else
    missing="(no state file: the store did not save)"
fi
if [ -z "$missing" ]; then
    e2e_ok "save: the reader's state file holds every written value"
else
    e2e_fail "save: the state file lacks:$missing"
fi

writes_after_save=$(e2e_requests "$log" | grep -c '^write ')
reads_before_reopen=$(e2e_requests "$log" | grep -c '^read ')

# Reopening reads everything again and starts on the first tab, although the dialog was
# left on the last one.
e2e_check "reopen: the saved values are shown, on the first tab" e2e_robot settings_reopen <<EOF
find main "$T_MAIN" has=1006
$open_dialog
expect sym:1019 checked 0
expect sym:1078 checked 1
expect sym:1020 checked 1
expect mode:1040 text 115200
expect mode:1043 text EVEN
expect fmt:1036 checked 1
expect fmt:1037 checked 1
expect fmt:1029 checked 1
expect fmt:1038 text AB
expect fmt:1031 checked 1
expect fmt:1034 text N1
expect fmt:1030 checked 0
expect fmt:1053 checked 1
expect fmt:1092 checked 1
expect ctl:1044 checked 1
expect ctl:1089 checked 0
expect ctl:1074 checked 1
expect ctl:1026 checked 1
expect ctl:1028 text 250
expect ctl:1061 checked 1
expect ctl:1053 checked 1
expect ctl:1071 checked 1
expect about:1055 text KD-E2E-42
EOF

reads_reopen=$(e2e_requests "$log" | grep '^read ' | tail -n +"$((reads_before_reopen + 1))")
if [ "$reads_reopen" = "$expected_reads" ]; then
    e2e_ok "reopen: every key read again, in the same order"
else
    e2e_fail "reopen: the key reads differ" "got: $(echo $reads_reopen)"
fi

# A user types past the key-write limit: "codeprefix" holds at most 243 bytes.
long=$(printf 'P%.0s' $(seq 250))
e2e_check "退出: changes dropped; typing is held to the key-write limit" e2e_robot settings_exit <<EOF
$bind_dialog
type about:1055 CHANGED-NOT-SAVED
type fmt:1038 $long
expect fmt:1038 length 243
click cfg:1017
gone cfg
nomsgbox $T_APPNAME ms=300
close main
gone main
EOF
e2e_app_stop

writes_now=$(e2e_requests "$log" | grep -c '^write ')
stores=$(e2e_requests "$log" | grep -c '^store$')
if [ "$writes_now" -eq "$writes_after_save" ] && [ "$stores" -eq 1 ]; then
    e2e_ok "退出: nothing written after the save"
else
    e2e_fail "退出: $((writes_now - writes_after_save)) key writes and $((stores - 1)) stores after the save"
fi
grep -qx 'deviceno=KD-E2E-42' "$state" 2>/dev/null ||
    e2e_fail "the state file lost the saved device number"

e2e_result
