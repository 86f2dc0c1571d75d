#!/usr/bin/env bash
# Read Fiscal Memory end to end: the shipped program reads the register simulator's
# sample dump (dump mode, on a pty mapped to COM2, paced like a 19200-baud line),
# with a 10,000-byte line in front of it. FMout1.txt and FMout2.txt are compared
# byte for byte with what the simulator sent (from its --log), and the list's rows
# with the lines. Read Fiscal Memory and LOG pressed during the dump are ignored.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
stats=$TG_WORK/regsim.stats
# Paced so that the dump (about 27 KB) takes some 14 s: the presses below land
# while it runs.
start_regsim --mode dump --map-com 2 --pace 19200 --fault long-line=10000 \
  --log "$line_log" --stats "$stats"
LANG=el_GR.UTF-8 start_program

connect_port
drive click "$ID_READ_FM"
drive wait-rows 5 20000 >/dev/null
caption=$(drive caption)
[[ $caption =~ ^"Tallyglass - Read Fiscal Memory "[0-9]+" bytes"$ ]] || fail "caption during the dump: '$caption'"
# The dump is running: neither button may start a second operation inside it.
drive click "$ID_READ_FM"
drive click "$ID_LOG"
drive rows | grep -qxF "$ROW_COMPLETED" && fail "the dump ended before the presses: too fast to test them"
drive wait-row "$ROW_COMPLETED" 60000 >/dev/null
wait_for_file_line "$stats" '^dumps=1$'
drive rows >"$TG_WORK/rows.txt"

sent_dump "$line_log" "$TG_WORK/sent.bin"
[ "$(stat -c %s "$TG_WORK/sent.bin")" -gt 20000 ] || fail "the simulator sent too little"
expected_fm_files "$TG_WORK/sent.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
expect_file_bytes "$TG_WORK/FMout2.txt" "$TG_WORK/expected2.txt"
# The list drops the waiting message at the STX: the lines, then the success message.
expect_eq "rows" "$(cat "$TG_WORK/rows.txt")" "$(cp1253_rows "$TG_WORK/sent.bin")
$ROW_COMPLETED"

# One ENQ, one STX, and no CAN of a LOG opening: the nested presses did nothing.
expect_line "$(cat "$stats")" "enqs=1"
grep -q ' rx 18$' "$line_log" && fail "a LOG opening went out during the dump"
[ "$(grep -c ' rx 02$' "$line_log")" = 1 ] || fail "more than one STX went out"

press_exit
pass
