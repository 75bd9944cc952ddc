#!/usr/bin/env bash
# kdcfg.exe under Wine on four readers at once: COM1 to COM4, each mapped to a
# kdreader-sim of its own. The ports run side by side, so four take about as long as one
# (in turn they would take four times as long); both wall times are printed. The readers
# give their line its time at 1200 baud, so the line, not Wine's start, sets the pace.
set -u
. "$(dirname "$0")/lib.sh"
e2e_setup || exit 1
[ -f "$E2E_KDCFG_EXE" ] || { e2e_log "e2e: missing $E2E_KDCFG_EXE (build the mingw preset)"; exit 1; }

links=("$E2E_LINK" "${E2E_LINKS_MORE[@]}")
sims=()
stop_sims() {
    local pid
    for pid in "${sims[@]}"; do
        kill -TERM "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    sims=()
}
e2e_on_exit stop_sims
e2e_sim_stop
for i in 0 1 2 3; do
    name=kdcfg_windows.com$((i + 1))
    rm -f "$E2E_DIR/$name.log" "$E2E_DIR/$name.state"
    "$E2E_SIM" --link "${links[$i]}" --log "$E2E_DIR/$name.log" --state "$E2E_DIR/$name.state" \
        --line-rate 1200 --value "deviceno=KD-WINE-$((i + 1))" >"$E2E_DIR/$name.out" 2>&1 &
    sims+=($!)
done
for link in "${links[@]}"; do
    for ((t = 0; t < 100; t++)); do
        [ -e "$link" ] && break
        sleep 0.05
    done
    [ -e "$link" ] || { e2e_fail "kdreader-sim did not come up on $link"; exit 1; }
done

# Runs kdcfg.exe with its output in build/e2e/NAME.out and .err; sets status and ms.
timed() {
    local name=$1 start
    shift
    start=$(date +%s%N)
    status=0
    wine "$E2E_KDCFG_EXE" "$@" >"$E2E_DIR/$name.out" 2>"$E2E_DIR/$name.err" || status=$?
    ms=$((($(date +%s%N) - start) / 1000000))
}

timed kdcfg_windows_one --port COM1 info
one=$ms
if [ "$status" -eq 0 ] && grep -q 'V3.1.7' "$E2E_DIR/kdcfg_windows_one.out"; then
    e2e_ok "kdcfg.exe info on COM1: exit 0 in $one ms"
else
    e2e_fail "kdcfg.exe info on COM1: exit $status" "$(cat "$E2E_DIR/kdcfg_windows_one.err")"
fi

timed kdcfg_windows_four --port COM1 --port COM2 --port COM3 --port COM4 info
four=$ms
passed=$(grep -cE '^COM[1-4] +KD-WINE-[1-4] .* PASS ' "$E2E_DIR/kdcfg_windows_four.out")
if [ "$status" -eq 0 ] && [ "$passed" -eq 4 ]; then
    e2e_ok "kdcfg.exe info on COM1 to COM4: exit 0, four readers PASS, in $four ms"
else
    e2e_fail "kdcfg.exe info on COM1 to COM4: exit $status, $passed of 4 PASS" \
        "$(cat "$E2E_DIR/kdcfg_windows_four.out" "$E2E_DIR/kdcfg_windows_four.err")"
fi
for i in 1 2 3 4; do
    handshakes=$(e2e_requests "$E2E_DIR/kdcfg_windows.com$i.log" | grep -c '^handshake')
    [ "$handshakes" -ge 1 ] || e2e_fail "the reader on COM$i got no handshake"
done
# Each port of the four also reads deviceno and masterver for the table: in turn the
# four would take more than five times one port's run, at once well under three.
e2e_check "four ports at once: $four ms, one port: $one ms (under three times as long)" \
    test "$four" -lt $((3 * one))

# The station on the same four readers, each on a thread of its own; Ctrl-C (SIGINT, which
# Wine hands to the console handler) ends it with the totals.
printf 'qrcode=1\n' >"$E2E_DIR/kdcfg_windows.profile"
profile=$(printf 'Z:%s' "$E2E_DIR/kdcfg_windows.profile" | tr / '\\')
station_out=$E2E_DIR/kdcfg_windows_station.out
wine "$E2E_KDCFG_EXE" station --watch 'COM1;COM2;COM3;COM4' --profile "$profile" \
    >"$station_out" 2>"$E2E_DIR/kdcfg_windows_station.err" &
station_pid=$!
e2e_on_exit 'kill -KILL "$station_pid" 2>/dev/null; wait "$station_pid" 2>/dev/null'
for ((t = 0; t < 200; t++)); do
    [ "$(grep -c '^PASS COM' "$station_out")" -ge 4 ] && break
    sleep 0.1
done
kill -INT "$station_pid"
_e2e_wait_gone "$station_pid" 100 || kill -KILL "$station_pid" 2>/dev/null
status=0
wait "$station_pid" || status=$?
if [ "$status" -eq 0 ] && grep -q '^station: 4 readers, 4 passed, 0 failed' "$station_out"; then
    e2e_ok "kdcfg.exe station on COM1 to COM4: four PASS, then the totals on Ctrl-C"
else
    e2e_fail "kdcfg.exe station: exit $status" "$(cat "$station_out" "$E2E_DIR/kdcfg_windows_station.err")"
fi
stop_sims
e2e_result
