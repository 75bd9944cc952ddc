#!/bin/bash
# The man pages the build made: whole, warning-free for man, of this version, and with
# everything of kdcfg --help-all (each command's own section) and the examples.
# Usage: man_pages_test.sh MAN_DIR KDCFG
set -u
man_dir=$1 kdcfg=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

version=$("$kdcfg" --version | cut -d' ' -f2)
for page in kdcfg kdreader-sim kdconfig; do
    file=$man_dir/$page.1
    [[ -s $file ]] || { fail "$file missing"; continue; }
    grep -q "^\.TH \"\?${page^^}\"\? \"\?1\"\? .*\"$page $version\"" "$file" || fail "$page.1: no .TH of version $version"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$page.1: $warnings"
    grep -q '^\.SH "\?SEE ALSO' "$file" || fail "$page.1: no SEE ALSO"
done

page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_dir/kdcfg.1" 2>/dev/null)
while read -r heading; do
    grep -qF "$heading" <<<"$page" || fail "kdcfg.1 lacks '$heading'"
done < <("$kdcfg" --help-all | grep -E '^(Command [a-z-]+:|  Usage: kdcfg )')
for text in EXAMPLES 'station --watch' '130' '--dry-run' '-o,--output'; do
    grep -qF -- "$text" <<<"$page" || fail "kdcfg.1 lacks '$text'"
done
exit $((failures > 0))
