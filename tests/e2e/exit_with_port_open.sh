#!/usr/bin/env bash
# Ending the program with a port open, by Exit and by the close box: the line sees
# the port closed and the program's result is 0.
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --map-com 2 --log "$peer_log"

for how in exit close; do
  log "with $how"
  start_program
  connect_port
  if [ "$how" = exit ]; then drive click "$ID_EXIT"; else drive close; fi
  expect_exit program 0
done
wait_for_line_count "$peer_log" '^[0-9]+ close$' 2
expect_eq "line events" "$(line_events "$peer_log")" "open;settings 115200 8 N 1;close;open;close;"
pass
