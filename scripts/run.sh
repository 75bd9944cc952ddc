#!/usr/bin/env bash
# The main job: the configuration tool on a modelled reader.
#
#   scripts/run.sh            the Linux program (Qt 6), built natively; no Wine
#   scripts/run.sh --windows  kdconfig.exe, cross-built with mingw-w64, under Wine
#
# A modelled reader (kdreader-sim) starts on a pseudo-terminal and the tool opens on it:
#   - with a DISPLAY: the tool stays open for you; everything is cleaned up when you
#     close it (or press Ctrl-C here);
#   - without one: the tool runs on a virtual X server, connects to the reader, a
#     screenshot is saved in build/run/, and everything is closed again.
# The reader's saved keys (and the Wine prefix) live in build/run/ and are kept between runs.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
case "${1:-}" in
    "") program=scripts/run-linux.sh ;;
    --windows) program=scripts/run-windows.sh ;;
    -h | --help)
        sed -n '2,12s/^# \{0,1\}//p' "$0"
        exit 0
        ;;
    *)
        echo "usage: scripts/run.sh [--windows]" >&2
        exit 2
        ;;
esac
. scripts/ensure-packages.sh
kd_ensure_packages || exit 1
exec "$program"
