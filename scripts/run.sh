#!/usr/bin/env bash
# The main job: starts the modelled reader on a pseudo-terminal and talks to it with
# kdcfg (handshake, firmware version, build date).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
kd_ensure_packages

cmake --preset native >/dev/null
cmake --build --preset native --target kdcfg kdreader-sim >/dev/null

work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null; rm -rf "$work"' EXIT
build/native/sim/kdreader-sim --link "$work/reader" --log "$work/reader.log" >"$work/sim.out" &
sim=$!
for _ in $(seq 50); do [ -e "$work/reader" ] && break; sleep 0.1; done
echo "modelled reader on $(head -n 1 "$work/sim.out")"
build/native/cli/kdcfg --port "$work/reader" info
