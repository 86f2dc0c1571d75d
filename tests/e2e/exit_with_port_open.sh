#!/usr/bin/env bash
# Ending the program with a port open, by Exit and by the close box: the line sees
# the port closed and the program's result is 0.
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --map-com 2 --log "$peer_log"
opened="Opened port COM2, 115200, Parity NONE, Data 8, Stop 1"

for how in exit close; do
  log "with $how"
  start_program
  drive click "$ID_CONNECT"
  drive wait-row "$opened" >/dev/null
  if [ "$how" = exit ]; then drive click "$ID_EXIT"; else drive close; fi
  expect_exit 0
done
wait_for_line_count "$peer_log" '^[0-9]+ close$' 2
expect_eq "line events" "$(grep -vE ' rx ' "$peer_log" | cut -d' ' -f2- | tr '\n' ';')" \
  "open;settings 115200 8 N 1;close;open;close;"
pass
