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

log "connect at the defaults"
connect_port
expect_eq "state connected" "$(drive state)" "$(dialog_state connected 1 "1 COM2" "4 115200")"
wait_for_file_line "$peer_log" ' settings 115200 8 N 1$'

log "disconnect"
disconnect_port
expect_eq "state disconnected" "$(drive state)" "$(dialog_state disconnected 2 "1 COM2" "4 115200")"
wait_for_file_line "$peer_log" ' close$'
expect_eq "line events" "$(line_events "$peer_log")" "open;settings 115200 8 N 1;close;"

# connect_at PORT_INDEX SPEED_INDEX PORT SPEED LOG: Connect with another port and
# speed, applied to the line; then Disconnect.
connect_at() {
  drive select "$ID_PORT" "$1"
  drive select "$ID_SPEED" "$2"
  connect_port "$3" "$4"
  wait_for_file_line "$5" " settings $4 8 N 1\$"
  disconnect_port "$3"
}

log "9600"
connect_at 1 0 COM2 9600 "$peer_log"
expect_eq "state after 9600" "$(drive state)" "$(dialog_state disconnected 4 "1 COM2" "0 9600")"

# failed_open PORT ROWS PORT_STATE SPEED_STATE: Connect fails on PORT: the message box,
# then (once it is closed) the row, and the dialog as it was.
failed_open() {
  expect_eq "message box" "$(drive msgbox)" " Error 
Cannot open port $1..."
  drive wait-row "Failed opening $1 port..." >/dev/null
  expect_eq "state after the failed open of $1" "$(drive state)" "$(dialog_state disconnected "$2" "$3" "$4")"
}

log "COM3 without a device"
drive select "$ID_PORT" 2
drive click "$ID_CONNECT"
expect_eq "message box" "$(drive peek-msgbox)" " Error 
Cannot open port COM3..."
# The row follows the box only once the operator has closed it.
expect_eq "rows while the box is open" "$(drive rows | wc -l)" "4"
failed_open COM3 5 "2 COM3" "0 9600"

log "a speed box without a selected entry"
drive select "$ID_PORT" 1
drive select "$ID_SPEED" -1
drive click "$ID_CONNECT"
failed_open COM2 6 "1 COM2" "-1 "
expect_eq "line events" "$(line_events "$peer_log")" \
  "open;settings 115200 8 N 1;close;open;settings 9600 8 N 1;close;"

log "COM9"
connect_at 8 3 COM9 57600 "$high_log"
wait_for_file_line "$high_log" ' close$'

expect_eq "all rows" "$(drive rows)" "$(opened_row COM2)
Closed port COM2
$(opened_row COM2 9600)
Closed port COM2
Failed opening COM3 port...
Failed opening COM2 port...
$(opened_row COM9 57600)
Closed port COM9"
press_exit
pass
