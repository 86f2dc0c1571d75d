#!/usr/bin/env bash
# Read Fiscal Memory with a register that stops sending in the middle of its dump
# (regsim --fault gap=3000:5000:1, the first dump only): the list shows only the
# three broken-transfer messages, and both files hold the complete lines of the
# first 3000 bytes. A second Read Fiscal Memory then reads the whole dump: the
# rest of the broken one, still arriving meanwhile, is purged before the ENQ.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
start_regsim --mode dump --map-com 2 --fault gap=3000:5000:1 --log "$line_log"
LANG=el_GR.UTF-8 start_program

connect_port
drive click "$ID_READ_FM"
drive wait-row "$(last_row "$ROWS_BROKEN")" 30000 >/dev/null
expect_eq "rows" "$(drive rows)" "$ROWS_BROKEN"

# The dump as sent: the whole of it, once the simulator has gone on after its gap
# and sent its ETX.
wait_for_file_line "$line_log" ' tx 03$' 20
sent_dump "$line_log" "$TG_WORK/sent.bin"
head -c 3000 "$TG_WORK/sent.bin" >"$TG_WORK/before_gap.bin"
expected_fm_files "$TG_WORK/before_gap.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
[ -s "$TG_WORK/expected1.txt" ] || fail "no complete line before the gap"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
expect_file_bytes "$TG_WORK/FMout2.txt" "$TG_WORK/expected2.txt"

# Again: the whole dump this time.
drive click "$ID_READ_FM"
drive wait-row "$ROW_COMPLETED" 30000 >/dev/null
expected_fm_files "$TG_WORK/sent.bin" "$TG_WORK/expected_all1.txt" "$TG_WORK/expected_all2.txt"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected_all1.txt"

press_exit
pass
