#!/usr/bin/env bash
# kdcfg upload-firmware of a 100 KiB file against kdreader-sim, natively (no Wine): the
# reader's kept image must have the sender's MD5. Includes the tool's 30 s closing wait,
# so the runner starts this first and lets it run beside the Wine scenarios.
set -u
# A link of its own, so that it never meets the reader the Wine prefix maps as COM1.
E2E_LINK=${E2E_FIRMWARE_LINK:-$(cd "$(dirname "$0")/../.." && pwd)/build/e2e/reader-firmware}
. "$(dirname "$0")/lib.sh"
e2e_setup_native

for file in "$E2E_SIM" "$E2E_KDCFG"; do
    [ -x "$file" ] || { e2e_log "e2e: missing $file (build the native preset)"; exit 1; }
done

work=$E2E_DIR/firmware-cli
uploads=$E2E_DIR/firmware_cli.uploads
rm -rf "$work" "$uploads"
mkdir -p "$work"
head -c $((100 * 1024)) /dev/urandom >"$work/update"
sent_md5=$(md5sum <"$work/update" | cut -d' ' -f1)

e2e_sim_start firmware_cli || exit 1
started=$SECONDS
status=0
# In the background, so that a signal to this script is not held up by the upload.
(cd "$work" && exec timeout 180 "$E2E_KDCFG" --port "$E2E_LINK" upload-firmware) \
    >"$E2E_DIR/firmware_cli.kdcfg" 2>&1 &
kdcfg_pid=$!
e2e_on_exit 'kill -TERM "$kdcfg_pid" 2>/dev/null; wait "$kdcfg_pid" 2>/dev/null'
wait "$kdcfg_pid" || status=$?
took=$((SECONDS - started))
tail -n 3 "$E2E_DIR/firmware_cli.kdcfg" | sed 's/^/       | /'
if [ "$status" -eq 0 ]; then
    e2e_ok "kdcfg upload-firmware: exit code 0 after ${took} s"
else
    e2e_fail "kdcfg upload-firmware: exit code $status after ${took} s"
fi

got_md5=$(md5sum <"$uploads/tesmor" 2>/dev/null | cut -d' ' -f1)
if [ -n "$got_md5" ] && [ "$got_md5" = "$sent_md5" ]; then
    e2e_ok "kdcfg upload-firmware: the reader's image tesmor has the sender's MD5 $sent_md5"
else
    e2e_fail "kdcfg upload-firmware: image MD5 '${got_md5:-none}', file MD5 $sent_md5"
fi
# 100 KiB in 1012-byte blocks: 101 full blocks and one of 188 bytes, each sent once.
blocks=$(e2e_requests "$E2E_DIR/firmware_cli.log" | grep -c '^upload block ')
e2e_check "kdcfg upload-firmware: 102 blocks, the last (index 101) of 188 bytes" \
    test "$blocks" -eq 102 -a -n "$(e2e_requests "$E2E_DIR/firmware_cli.log" | grep -x 'upload block 101 (188 bytes)')"
e2e_sim_stop

# For the runner's summary, which starts this script in the background.
echo "$SECONDS" >"$E2E_DIR/firmware_cli.seconds"
e2e_result
