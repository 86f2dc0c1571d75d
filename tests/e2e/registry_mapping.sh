#!/usr/bin/env bash
# A COM port mapped the way Wine's own documentation maps one: the registry value
# HKLM\Software\Wine\Ports COMn = device. Wine reads it only when its server starts,
# and then rebuilds the dosdevices/comN link from it (the other tests set that link
# directly). The Wine server must be restarted for this, so the test runs in a Wine
# prefix of its own, inside its working directory, and leaves the shared one alone.
source "$(dirname "$0")/lib.sh"

export TG_WINEPREFIX=$TG_WORK/prefix WINEPREFIX=$TG_WORK/prefix
port=6
peer_log=$TG_WORK/peer.log
start_peer --log "$peer_log"

log "registry: COM$port = $PEER_PATH"
tg_wine_prefix
tg_wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$PEER_PATH" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w
rm -f "$WINEPREFIX/dosdevices/com$port"

start_program
drive select "$ID_PORT" $((port - 1))
drive click "$ID_CONNECT"
drive wait-row "Opened port COM$port, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
wait_for_file_line "$peer_log" ' settings 115200 8 N 1$'
expect_eq "link rebuilt from the registry" "$(readlink "$WINEPREFIX/dosdevices/com$port")" "$PEER_PATH"

drive click "$ID_EXIT"
expect_exit 0
wait_for_file_line "$peer_log" ' close$'
wineserver -k >/dev/null 2>&1 || true
pass
