#!/usr/bin/env bash
# COM ports mapped the way Wine's own documentation maps one: the registry value
# HKLM\Software\Wine\Ports COMn = device. Wine reads it only when its server starts,
# and then rebuilds the dosdevices/comN link from it (the other tests set that link
# directly) and lists the port in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, the system's
# list of ports, which a link made directly never reaches. So COM15, mapped here,
# is the port box's entry after COM12. The Wine server must be restarted for this,
# so the test runs in a Wine prefix of its own, inside its working directory, and
# leaves the shared one alone.
source "$(dirname "$0")/lib.sh"

export TG_WINEPREFIX=$TG_WORK/prefix WINEPREFIX=$TG_WORK/prefix
port=6 high=15
peer_log=$TG_WORK/peer.log
start_peer --log "$peer_log"
peer_path=$PEER_PATH
high_log=$TG_WORK/peer15.log
start_peer --log "$high_log"

log "registry: COM$port = $peer_path, COM$high = $PEER_PATH"
tg_wine_prefix
tg_wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$peer_path" /f >/dev/null 2>&1
tg_wine reg add 'HKLM\Software\Wine\Ports' /v "COM$high" /d "$PEER_PATH" /f >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true
wineserver -w
rm -f "$WINEPREFIX/dosdevices/com$port" "$WINEPREFIX/dosdevices/com$high"

start_program
expect_eq "port box entries" "$(drive items "$ID_PORT" | tr '\n' ' ')" \
  "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 COM12 COM$high "
drive select "$ID_PORT" $((port - 1))
connect_port "COM$port"
wait_for_file_line "$peer_log" ' settings 115200 8 N 1$'
expect_eq "link rebuilt from the registry" "$(readlink "$WINEPREFIX/dosdevices/com$port")" "$peer_path"
disconnect_port "COM$port"

drive select "$ID_PORT" 12
connect_port "COM$high"
wait_for_file_line "$high_log" ' settings 115200 8 N 1$'
expect_eq "COM$high's link rebuilt" "$(readlink "$WINEPREFIX/dosdevices/com$high")" "$PEER_PATH"

press_exit
wait_for_file_line "$peer_log" ' close$'
wait_for_file_line "$high_log" ' close$'
wineserver -k >/dev/null 2>&1 || true
pass
