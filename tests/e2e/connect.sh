#!/usr/bin/env bash
# Connect and Disconnect as the operator sees them and as the line sees them:
# the rows, the caption, the controls switched; the speed and 8 N 1 applied to the
# line (read on the pty); a port without a device (message box first, then the row,
# nothing else changed); a speed box without a selected entry (a failed open, the
# line never touched); a port above COM4 (USB-serial adapters live there).
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --map-com 2 --log "$peer_log"
high_log=$TG_WORK/peer9.log
start_peer --map-com 9 --log "$high_log"
unmap_com 3
LANG=el_GR.UTF-8 start_program

peer_events() { grep -vE ' rx ' "$1" | cut -d' ' -f2- | tr '\n' ';'; }

log "connect at the defaults"
drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
expect_eq "state connected" "$(drive state)" "$(dialog_state connected 1 "1 COM2" "4 115200")"
wait_for_file_line "$peer_log" ' settings 115200 8 N 1$'

log "disconnect"
drive click "$ID_CONNECT"
drive wait-row "Closed port COM2" >/dev/null
expect_eq "state disconnected" "$(drive state)" "$(dialog_state disconnected 2 "1 COM2" "4 115200")"
wait_for_file_line "$peer_log" ' close$'
expect_eq "line events" "$(peer_events "$peer_log")" "open;settings 115200 8 N 1;close;"

log "9600"
drive select "$ID_SPEED" 0
drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 9600, Parity NONE, Data 8, Stop 1" >/dev/null
wait_for_file_line "$peer_log" ' settings 9600 8 N 1$'
drive click "$ID_CONNECT"
drive wait-row "Closed port COM2" >/dev/null
expect_eq "state after 9600" "$(drive state)" "$(dialog_state disconnected 4 "1 COM2" "0 9600")"

log "COM3 without a device"
drive select "$ID_PORT" 2
drive click "$ID_CONNECT"
expect_eq "message box" "$(drive peek-msgbox)" " Error 
Cannot open port COM3..."
# The row follows the box only once the operator has closed it.
expect_eq "rows while the box is open" "$(drive rows | wc -l)" "4"
expect_eq "message box" "$(drive msgbox)" " Error 
Cannot open port COM3..."
drive wait-row "Failed opening COM3 port..." >/dev/null
expect_eq "state after the failed open" "$(drive state)" "$(dialog_state disconnected 5 "2 COM3" "0 9600")"

log "a speed box without a selected entry"
drive select "$ID_PORT" 1
drive select "$ID_SPEED" -1
drive click "$ID_CONNECT"
expect_eq "message box" "$(drive msgbox)" " Error 
Cannot open port COM2..."
drive wait-row "Failed opening COM2 port..." >/dev/null
expect_eq "state after no speed" "$(drive state)" "$(dialog_state disconnected 6 "1 COM2" "-1 ")"
expect_eq "line events" "$(peer_events "$peer_log")" \
  "open;settings 115200 8 N 1;close;open;settings 9600 8 N 1;close;"

log "COM9"
drive select "$ID_PORT" 8
drive select "$ID_SPEED" 3
drive click "$ID_CONNECT"
drive wait-row "Opened port COM9, 57600, Parity NONE, Data 8, Stop 1" >/dev/null
wait_for_file_line "$high_log" ' settings 57600 8 N 1$'
drive click "$ID_CONNECT"
drive wait-row "Closed port COM9" >/dev/null
wait_for_file_line "$high_log" ' close$'

expect_eq "all rows" "$(drive rows)" "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1
Closed port COM2
Opened port COM2, 9600, Parity NONE, Data 8, Stop 1
Closed port COM2
Failed opening COM3 port...
Failed opening COM2 port...
Opened port COM9, 57600, Parity NONE, Data 8, Stop 1
Closed port COM9"
drive click "$ID_EXIT"
expect_exit 0
pass
