#!/usr/bin/env bash
# LOG on the console, end to end: tallyglass reads the tables of
# tests/e2e/data/log_tables.txt from the simulator and writes log.txt, compared byte
# for byte with tests/e2e/data/log_expected.txt as tests/e2e/log_run.sh compares it
# for the Windows program (there UTF-8 with LF line ends; the program writes 1253
# with CR CR LF). stdout holds the report rows between Connect's and Disconnect's,
# each ending at its LF alone.
source "$(dirname "$0")/lib.sh"

data=$TG_SOURCE_DIR/tests/e2e/data
stats=$TG_WORK/regsim.stats
start_regsim --mode command --tables "$data/log_tables.txt" --stats "$stats"
start_tallyglass run log --port "$REGSIM_PATH" --speed 115200
expect_exit run 0 60

expected_report "$data/log_expected.txt" "$TG_WORK/expected.txt"
expect_file_bytes "$(file_of run log.txt)" "$TG_WORK/expected.txt"
{
  opened_row "$REGSIM_PATH"
  cat "$data/log_expected.txt"
  closed_row "$REGSIM_PATH"
} >"$TG_WORK/expected_rows.txt"
expect_file_bytes "$(file_of run stdout.txt)" "$TG_WORK/expected_rows.txt"
expect_eq "stderr" "$(stderr_of run | sed -E "s|[0-9-]{10}_[0-9]{6}|STAMP|")" "tallyglass: this run's files are kept in Tallyglass-archive/STAMP_log"

# "g/", 4 + 3 + 2 records of tables 0 to 2, table 3 indices 0 to 5.
wait_for_file_line "$stats" '^commands=16$'
pass
