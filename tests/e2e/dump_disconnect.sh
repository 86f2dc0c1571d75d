#!/usr/bin/env bash
# Disconnect and Exit during a dump (the simulator paced at 115200 baud, a dump of
# about 8 s). Disconnect closes the port under the running capture, which then
# ends as a broken transfer, its files holding the complete lines received so far.
# After a new Connect, a second dump is interrupted by Exit: the program ends once
# the capture has ended, with result 0, and its files again hold complete lines.
source "$(dirname "$0")/lib.sh"

receipts_dump "$TG_WORK/dump.txt" "$TG_WORK/expected1.txt"
start_regsim --mode dump --dump "$TG_WORK/dump.txt" --map-com 2 --pace 115200
LANG=el_GR.UTF-8 start_program

connect_port
drive click "$ID_READ_FM"
drive wait-rows 200 20000 >/dev/null
drive click "$ID_CONNECT"
drive wait-row "$(last_row "$ROWS_BROKEN")" 10000 >/dev/null
expect_eq "rows" "$(drive rows)" "$ROWS_BROKEN"
expect_state "$ID_CONNECT Button enabled visible Σύνδεση"
expect_start_of "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
cmp -s "$TG_WORK/FMout1.txt" "$TG_WORK/FMout2.txt" && fail "FMout2.txt has no converted capitals"

connect_port
drive click "$ID_READ_FM"
drive wait-rows 200 20000 >/dev/null
# Ends 2 s after the port closed, when the capture sees the silence.
press_exit 10
expect_start_of "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
pass
