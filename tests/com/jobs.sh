#!/usr/bin/env bash
# Tallyglass.com's jobs under Wine, side by side on three COM ports: a dump of the
# simulator's sample (with a line of every byte from 0x20 to 0xFF) and a LOG, whose
# files match byte for byte what the window writes (tests/e2e/dump_full.sh,
# log_run.sh), with their rows on a redirected stdout in UTF-8, Greek intact; and a
# paced dump stopped by Ctrl+C (SIGINT, which Wine hands to the console's handler):
# exit status 130, complete lines in the files, the stop's row, then Disconnect's;
# then `verify` on the three runs' folders.
source "$(dirname "$0")/lib.sh"

data=$TG_SOURCE_DIR/tests/e2e/data
dump=$TG_WORK/dump.txt
cp "$TG_SOURCE_DIR/tools/sim/data/fiscal_memory.txt" "$dump"
perl -e 'print join("", map { $_ == 0x5C ? "\\\\" : sprintf("\\x%02X", $_) } 0x20 .. 0xFF), "\n"' >>"$dump"

start_regsim --mode dump --dump "$dump" --map-com 2 --log "$TG_WORK/dump.log"
start_regsim --mode command --tables "$data/log_tables.txt" --map-com 3
start_regsim --mode dump --generate-dump 200000 --pace 19200 --map-com 4 --log "$TG_WORK/stop.log"
start_tallyglass dump dump --port COM2
start_tallyglass log log --port 3 --speed 115200
start_tallyglass stop dump --port '\\.\COM4'
wait_for_rows stop 40 30
kill -INT "$(program_pid stop)"
expect_exit stop 130 5
expect_exit dump 0 60
expect_exit log 0 60

# The dump: the files as the window writes them, the rows in UTF-8 with CR LF.
sent_dump "$TG_WORK/dump.log" "$TG_WORK/sent.bin"
expected_fm_files "$TG_WORK/sent.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
expect_file_bytes "$(file_of dump FMout1.txt)" "$TG_WORK/expected1.txt"
expect_file_bytes "$(file_of dump FMout2.txt)" "$TG_WORK/expected2.txt"
{
  opened_row COM2
  echo "$ROW_PLEASE_WAIT"
  cp1253_rows "$TG_WORK/sent.bin"
  echo "$ROW_COMPLETED"
  closed_row COM2
} >"$TG_WORK/dump_rows.txt"
rows_as_written "$TG_WORK/dump_rows.txt" "$TG_WORK/dump_stdout.txt"
expect_file_bytes "$(file_of dump stdout.txt)" "$TG_WORK/dump_stdout.txt"
expect_eq "stderr of the dump" "$(stderr_of dump | tr -d '\r' | sed -E "s|[0-9-]{10}_[0-9]{6}|STAMP|")" \
  "Tallyglass: this run's files are kept in Tallyglass-archive/STAMP_dump"

# LOG: log.txt as the window writes it (1253, CR CR LF); the report rows in UTF-8.
iconv -f UTF-8 -t CP1253 "$data/log_expected.txt" | sed 's/$/\r\r/' >"$TG_WORK/log_expected.txt"
expect_file_bytes "$(file_of log log.txt)" "$TG_WORK/log_expected.txt"
{ opened_row COM3; cat "$data/log_expected.txt"; closed_row COM3; } >"$TG_WORK/log_rows.txt"
rows_as_written "$TG_WORK/log_rows.txt" "$TG_WORK/log_stdout.txt"
expect_file_bytes "$(file_of log stdout.txt)" "$TG_WORK/log_stdout.txt"

# The stop: complete lines of what was sent, each one shown, then the stop.
sent_dump "$TG_WORK/stop.log" "$TG_WORK/stop_sent.bin"
kept=$(stat -c %s "$(file_of stop FMout1.txt)")
[ "$kept" -gt 0 ] || fail "the stopped dump kept nothing"
perl -0777 -pe 's/\n/\r\n/g' "$TG_WORK/stop_sent.bin" | head -c "$kept" >"$TG_WORK/stop_expected1.txt"
expect_file_bytes "$(file_of stop FMout1.txt)" "$TG_WORK/stop_expected1.txt"
[ "$(tail -c 2 "$(file_of stop FMout1.txt)" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "a part line was kept"
expect_eq "the stop's rows" "$(rows_of stop | tr -d '\r' | tail -n 2)" "$(printf '%s\n' "$ROW_DUMP_STOPPED" "$(closed_row COM4)")"
expect_contains "$(stderr_of stop)" "Tallyglass: stopped by Ctrl+C (the files hold what was received)"

# verify: the three runs' folders agree (the stopped run ended: it has its sums);
# a byte changed in the dump's FMout1.txt is found by both checks, exit 10.
for name in dump log stop; do
  start_tallyglass "verify_$name" verify "..\\$name\\Tallyglass-archive"
  expect_exit "verify_$name" 0 60
  expect_contains "$(rows_of "verify_$name")" "all files agree: ..\\$name\\Tallyglass-archive/"
done
printf X | dd of="$(echo "$(file_of dump Tallyglass-archive)"/*/FMout1.txt)" bs=1 seek=10 conv=notrunc 2>/dev/null
start_tallyglass changed verify "..\\dump\\Tallyglass-archive"
expect_exit changed 10 60
expect_contains "$(rows_of changed)" "FMout1.txt: line 1 is not the line of FMraw.bin (byte 11 differs)"
pass
