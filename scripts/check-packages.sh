#!/usr/bin/env bash
# Builds the Debian package (native build) and the Windows zip (mingw build) with CPack
# and checks what they hold: every file in its place and nothing else, the Depends line,
# a valid desktop entry, the documentation, lintian without an error or a warning,
# Debian's hardening in every program, and Windows exes that need no DLL beyond the
# system's.
# Run by scripts/test.sh after both builds; on its own it configures and builds what the
# packages hold.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() {
    echo "package check FAILED: $*" >&2
    exit 1
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Builds the programs of one preset and packs them; prints the package's path.
pack() {
    local preset=$1 pattern=$2
    shift 2
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target "$@" >/dev/null
    # shellcheck disable=SC2086,SC2206 # the pattern is a glob
    rm -f build/"$preset"/packages/$pattern
    cpack --config "build/$preset/CPackConfig.cmake" >"$work/cpack-$preset.log" 2>&1 ||
        { cat "$work/cpack-$preset.log" >&2; fail "cpack ($preset)"; }
    # shellcheck disable=SC2206
    local found=(build/"$preset"/packages/$pattern)
    [ ${#found[@]} -eq 1 ] || fail "not one $pattern in build/$preset/packages"
    [ -f "${found[0]}" ] || fail "no $pattern in build/$preset/packages"
    echo "${found[0]}"
}

# Fails unless the sorted lines of $1 and $2 are the same, showing the difference.
same_lines() {
    local what=$1
    diff <(sort <<<"$2") <(sort <<<"$3") >"$work/diff" ||
        { cat "$work/diff" >&2; fail "$what: '<' expected, '>' found"; }
}

# Fails unless $1 was compressed with gzip -9n: no name and no time in its header, so
# that the same text always gives the same bytes.
gzip_9n() {
    gzip -t "$1" || fail "$(basename "$1") is not a gzip file"
    [ "$(od -An -tx1 -N10 "$1" | tr -d ' \n')" = 1f8b0800000000000203 ] ||
        fail "$(basename "$1") was not compressed with gzip -9n (name, time or level in its header)"
}

# Fails unless the program $1 has Debian's hardening: position-independent, read-only
# relocations bound at start, the stack protector and fortified calls.
hardened() {
    local name=$2 symbols
    readelf -hW "$1" | grep -qE '^ *Type: +DYN' || fail "$name is not position-independent (PIE)"
    readelf -lW "$1" | grep -q ' GNU_RELRO ' || fail "$name has no read-only relocations (RELRO)"
    readelf -dW "$1" | grep -qE '\(BIND_NOW\)|\(FLAGS\) .*\bBIND_NOW\b|\(FLAGS_1\) .*\bNOW\b' ||
        fail "$name does not bind its symbols at start (BIND_NOW)"
    symbols=$(readelf --dyn-syms -W "$1")
    grep -qE ' __stack_chk_fail(@|$)' <<<"$symbols" || fail "$name has no stack protector"
    grep -qE ' __[a-z0-9_]+_chk(@|$)' <<<"$symbols" || fail "$name has no fortified calls"
}

# --- the .deb
programs=(kdconfig kdcfg kdreader-sim)
deb=$(pack native 'kdconfig_*_amd64.deb' "${programs[@]}" kd_package_docs)
expected=./usr/lib/udev/rules.d/60-kdconfig.rules
for program in "${programs[@]}"; do
    expected+=$'\n'./usr/bin/$program$'\n'./usr/share/man/man1/$program.1.gz
done
expected+=$'\n'./usr/share/bash-completion/completions/kdcfg
expected+=$'\n'./usr/share/doc/kdconfig/copyright$'\n'./usr/share/doc/kdconfig/changelog.gz
expected+=$'\n'./usr/share/applications/kdconfig.desktop
for size in 16 24 32 48 64 128 256; do
    expected+=$'\n'./usr/share/icons/hicolor/${size}x${size}/apps/kdconfig.png
done
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }')
same_lines "files in $(basename "$deb")" "$expected" "$files"

depends=$(dpkg-deb -f "$deb" Depends)
depended=$(tr ',|' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
needed=(libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 fonts-arphic-uming)
for package in "${needed[@]}"; do
    grep -qxF "$package" <<<"$depended" || fail "Depends lacks $package: $depends"
done

dpkg-deb -x "$deb" "$work/deb"
for program in "${programs[@]}"; do
    file "$work/deb/usr/bin/$program" | grep -q 'ELF 64-bit.*, stripped' ||
        fail "/usr/bin/$program is not a stripped x86-64 program"
    hardened "$work/deb/usr/bin/$program" "/usr/bin/$program"
    page=$work/deb/usr/share/man/man1/$program.1.gz
    gzip_9n "$page"
    zcat "$page" | grep -qiE "^\.TH \"?$program\"? \"?1\"?( |$)" ||
        fail "$program.1.gz is not the manual page of $program"
done
doc=$work/deb/usr/share/doc/kdconfig
cmp -s "$doc/copyright" resources/doc/copyright || fail "the copyright file is not resources/doc/copyright"
gzip_9n "$doc/changelog.gz"
zcat "$doc/changelog.gz" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "the changelog's latest entry is not the package's version"
# bash-completion loads it by the command's name when kdcfg is first completed.
bash -c '. "$1" && complete -p kdcfg' _ "$work/deb/usr/share/bash-completion/completions/kdcfg" \
    >/dev/null 2>&1 || fail "the bash completion does not complete kdcfg"
command -v lintian >/dev/null || fail "lintian is not installed (Debian package lintian)"
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 ||
    { cat "$work/lintian" >&2; fail "lintian reports errors or warnings"; }
desktop=$work/deb/usr/share/applications/kdconfig.desktop
desktop-file-validate "$desktop" || fail "kdconfig.desktop does not validate"
grep -qx 'Exec=kdconfig' "$desktop" || fail "kdconfig.desktop does not start kdconfig"
grep -qx 'Icon=kdconfig' "$desktop" || fail "kdconfig.desktop does not name the icon"
for size in 16 24 32 48 64 128 256; do
    file "$work/deb/usr/share/icons/hicolor/${size}x${size}/apps/kdconfig.png" |
        grep -q "PNG image data, $size x $size," || fail "the ${size}x$size icon is not that size"
done
grep -q 'ATTRS{idVendor}=="0525", ATTRS{idProduct}=="a4ac"' \
    "$work/deb/usr/lib/udev/rules.d/60-kdconfig.rules" || fail "the udev rule names another device"
echo "$(basename "$deb"): $(wc -l <<<"$files") files, $(stat -c %s "$deb") bytes"
echo "  Depends: $depends"
echo "  lintian: no error, no warning; hardened: PIE, RELRO, BIND_NOW, stack protector, fortify"

# --- the Windows zip
# Its manual pages are rendered from the native build's.
zip=$(pack mingw 'kdconfig-*-win64.zip' kdconfig kdcfg kd_package_docs)
entries=$(unzip -Z1 "$zip" | grep -v '/$' | sed 's|^[^/]*/||')
same_lines "files in $(basename "$zip")" "$(printf '%s\n' kdconfig.exe kdcfg.exe README.txt \
    COPYRIGHT.txt CHANGELOG.txt kdconfig.txt kdcfg.txt)" "$entries"
unzip -q "$zip" -d "$work/zip"
cmp -s "$work"/zip/*/COPYRIGHT.txt resources/doc/copyright || fail "COPYRIGHT.txt is not resources/doc/copyright"
cmp -s "$work"/zip/*/CHANGELOG.txt resources/doc/changelog || fail "CHANGELOG.txt is not resources/doc/changelog"
for program in kdconfig kdcfg; do
    text=$(echo "$work"/zip/*/$program.txt)
    head -n 1 "$text" | grep -qi "^$program(1) " || fail "$program.txt is not the manual page of $program"
    # Plain text: no overstrike or terminal escapes, and hyphens a command line takes.
    ! LC_ALL=C.UTF-8 grep -qP '[\x08\x1b]|\x{2010}|\x{2212}' "$text" || fail "$program.txt is not plain text"
done
# What every Windows since 7 has in System32; anything else (libstdc++-6.dll, a Qt DLL)
# would have to ship in the zip.
system_dlls='^(kernel32|user32|gdi32|comctl32|comdlg32|advapi32|shell32|ole32|oleaut32|setupapi|hid|cfgmgr32|msvcrt|ws2_32|shlwapi|version|imm32|uxtheme)\.dll$'
for exe in "$work"/zip/*/*.exe; do
    dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]')
    [ -n "$dlls" ] || fail "$(basename "$exe") imports nothing: not a Windows program?"
    others=$(grep -Ev "$system_dlls" <<<"$dlls" || true)
    [ -z "$others" ] || fail "$(basename "$exe") needs DLLs Windows does not have: $others"
done
echo "$(basename "$zip"): $(tr '\n' ' ' <<<"$entries")($(stat -c %s "$zip") bytes)"
echo "packages checked"
