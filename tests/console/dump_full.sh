#!/usr/bin/env bash
# Read Fiscal Memory on the console, end to end: tallyglass reads the simulator's
# sample dump (paced like a 115200-baud line, a 10,000-byte line in front of it, and
# a line of every byte from 0x20 to 0xFF at its end). FMout1.txt and FMout2.txt are
# compared byte for byte with what the simulator sent (from its --log), as
# tests/e2e/dump_full.sh compares them for the Windows program; stdout with the rows
# the list shows, in UTF-8 under any locale; stderr names the run's archive folder.
source "$(dirname "$0")/lib.sh"

# The data format puts any byte in with \xNN (tools/sim/data/README.md).
dump=$TG_WORK/dump.txt
cp "$TG_SOURCE_DIR/tools/sim/data/fiscal_memory.txt" "$dump"
perl -e 'print join("", map { $_ == 0x5C ? "\\\\" : sprintf("\\x%02X", $_) } 0x20 .. 0xFF), "\n"' >>"$dump"

line_log=$TG_WORK/regsim.log
start_regsim --mode dump --dump "$dump" --pace 115200 --fault long-line=10000 --log "$line_log"
LANG=C LC_ALL=C start_tallyglass run dump --port "$REGSIM_PATH"
expect_exit run 0 60

sent_dump "$line_log" "$TG_WORK/sent.bin"
[ "$(stat -c %s "$TG_WORK/sent.bin")" -gt 20000 ] || fail "the simulator sent too little"
expected_fm_files "$TG_WORK/sent.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
expect_file_bytes "$(file_of run FMout1.txt)" "$TG_WORK/expected1.txt"
expect_file_bytes "$(file_of run FMout2.txt)" "$TG_WORK/expected2.txt"
[ "$(tail -c 3 "$TG_WORK/sent.bin" | od -An -tx1 | tr -d ' \n')" = ff0d0a ] || fail "the line of every byte was not sent last"

# Connect's row, the waiting message (the list clears it at the STX; stdout keeps
# it), the lines, the success message, Disconnect's row.
{
  opened_row "$REGSIM_PATH"
  echo "$ROW_PLEASE_WAIT"
  cp1253_rows "$TG_WORK/sent.bin"
  echo "$ROW_COMPLETED"
  closed_row "$REGSIM_PATH"
} >"$TG_WORK/expected_rows.txt"
expect_file_bytes "$(file_of run stdout.txt)" "$TG_WORK/expected_rows.txt"
expect_eq "stderr" "$(stderr_of run | sed -E "s|[0-9-]{10}_[0-9]{6}|STAMP|")" "tallyglass: this run's files are kept in Tallyglass-archive/STAMP_dump"

expect_eq "ENQs" "$(grep -c ' rx 05$' "$line_log")" 1
expect_eq "STXs" "$(grep -c ' rx 02$' "$line_log")" 1
pass
