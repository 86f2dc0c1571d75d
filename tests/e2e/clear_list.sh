#!/usr/bin/env bash
# X empties the message list and leaves its header; the next message becomes the
# first row; X while connected leaves the connection as it was.
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --map-com 2 --log "$peer_log"
start_program

connect_port
disconnect_port
expect_eq "rows before X" "$(drive rows)" "$(opened_row COM2)
Closed port COM2"

drive click "$ID_CLEAR"
expect_state "1000 SysListView32 enabled visible rows=0 width=2000 header=Μηνύματα"

connect_port
expect_eq "rows after X and Connect" "$(drive rows)" "$(opened_row COM2)"

drive click "$ID_CLEAR"
expect_state "1000 SysListView32 enabled visible rows=0 width=2000 header=Μηνύματα"
expect_line "$(drive state)" "1007 Button enabled visible Αποσύνδεση"
expect_line "$(drive state)" "1008 Button enabled visible Read Fiscal Memory"
expect_eq "peer events while connected" "$(grep -cx '[0-9]* close' "$peer_log")" "1"

press_exit
wait_for_file_line "$peer_log" '^[0-9]+ close$'
pass
