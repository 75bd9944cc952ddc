#!/bin/bash
# kdcfg's bash completion, run as bash runs it: COMP_WORDS and COMP_CWORD set, the
# function called, COMPREPLY checked. Usage: completion_test.sh COMPLETION_FILE KDCFG
set -u
completion=$1 kdcfg=$2
# shellcheck source=/dev/null
source "$completion"
failures=0

# The words of a command line, the last one being completed; prints COMPREPLY sorted.
offered() {
    COMP_WORDS=(kdcfg "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _kdcfg kdcfg "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    ((${#COMPREPLY[@]} == 0)) || printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort
}
expect() {  # expect "EXPECTED LINES" WORD...
    local want=$1
    shift
    local got
    got=$(offered "$@")
    if [[ $got != "$want" ]]; then
        echo "FAIL: kdcfg $* <TAB>: expected [${want//$'\n'/ }], got [${got//$'\n'/ }]" >&2
        failures=$((failures + 1))
    fi
}
has() {  # has WORD_OFFERED WORD...
    local want=$1
    shift
    if ! offered "$@" | grep -qxF -- "$want"; then
        echo "FAIL: kdcfg $* <TAB>: '$want' not offered" >&2
        failures=$((failures + 1))
    fi
}
lacks() {  # lacks WORD_NOT_OFFERED WORD...
    local unwanted=$1
    shift
    if offered "$@" | grep -qxF -- "$unwanted"; then
        echo "FAIL: kdcfg $* <TAB>: '$unwanted' offered" >&2
        failures=$((failures + 1))
    fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir profiles
touch line7.profile 'line 8.profile' update-3.2.0

# Commands: exactly those of the program's own help, and not after a command.
expect "$("$kdcfg" --help-all | sed -n 's/^Command \([a-z-]*\):$/\1/p' | LC_ALL=C sort)" ''
expect $'station\nstore' st
expect $'station\nstore' --json --baud 115200 st
expect '' info in

# Options: the line options everywhere, a command's own after it.
for word in --port --ports --baud --parity --json --version --help-all; do
    has "$word" --
    has "$word" apply --
done
has --dry-run apply --
has --output dump --
has -o dump -
has --firmware-wait station --fi
lacks --dry-run --
lacks --dry-run dump --

# Keys: every catalogue key after get; set offers KEY= and not what the reader sets itself.
expect "$("$kdcfg" keys | cut -f1 | LC_ALL=C sort)" --port /dev/ttyUSB0 get ''
expect 'workmode' get workmode work
expect 'workmode=' set work
expect 'workmode=' --port /dev/ttyUSB0 set qrcode = 1 work
expect '' set masterv
expect '' set workmode =
expect '' set workmode = 1

# Files after apply and diff, and after the options that name files.
expect $'line 8.profile\nline7.profile' apply li
expect $'line 8.profile\nline7.profile' --port /dev/ttyUSB0 diff li
expect 'profiles' dump -o pro
expect 'profiles' --port /dev/ttyUSB0 dump --output = pro
expect 'line7.profile' station --profile line7
expect 'line7.profile' station --watch '/dev/serial/by-id/*' --log line7
expect 'update-3.2.0' station --firmware upd
expect 'update-3.2.0' upload-firmware upd

# Ports after --port: serial devices of this machine; another path as a file.
ports=$(compgen -G '/dev/tty[A-Z]*'; compgen -G '/dev/serial/by-id/*')
expect "$(LC_ALL=C sort <<<"$ports" | sed '/^$/d')" --port ''
expect "$(LC_ALL=C sort <<<"$ports" | sed '/^$/d')" --port = ''
lacks /dev/tty --port /dev/tt
expect './line7.profile' --port ./line7
# An option's value is not taken for the command: here "keys" is a port.
expect 'workmode' --port keys get workm
expect 'workmode' --port = keys get workm
expect '' --baud ''

exit $((failures > 0))
