#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when some are missing.
# Sourced by the other scripts; needs root to install, and says what is missing otherwise.
kd_packages=(
    g++ clang cmake ninja-build pkg-config
    libgtest-dev libgmock-dev googletest libbenchmark-dev libclang-rt-14-dev
    libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine64 fonts-wine xvfb imagemagick fonts-arphic-uming x11-utils
    dpkg-dev file unzip desktop-file-utils xdotool help2man
    lintian groff-base
    qt6-base-dev qt6-qpa-plugins
    xdotool
)

kd_ensure_packages() {
    local missing=()
    for p in "${kd_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing Debian packages: ${missing[*]}" >&2
        echo "run this script as root once, or: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq "${missing[@]}" >/dev/null
}
