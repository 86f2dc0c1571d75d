#!/usr/bin/env bash
# LOG end to end: the shipped program connects to the register simulator (command
# mode, on a pty mapped to COM2), reads the tables of tests/e2e/data/log_tables.txt
# and writes log.txt. The report is compared byte for byte with
# tests/e2e/data/log_expected.txt (written in UTF-8 with LF line ends for reading;
# the program writes Windows-1253 with each line ending in CR CR LF), and the
# list's rows with the same lines.
source "$(dirname "$0")/lib.sh"

data=$TG_SOURCE_DIR/tests/e2e/data
stats=$TG_WORK/regsim.stats
start_regsim --mode command --tables "$data/log_tables.txt" --map-com 2 --stats "$stats"
LANG=el_GR.UTF-8 start_program

connect_port
rows_before=$(drive rows | wc -l)
report_lines=$(wc -l <"$data/log_expected.txt")

drive click "$ID_LOG"
drive wait-rows $((rows_before + report_lines)) 60000 >/dev/null
wait_operation_end

expected_report "$data/log_expected.txt" "$TG_WORK/expected.txt"
expect_file_bytes "$TG_WORK/log.txt" "$TG_WORK/expected.txt"

# Each report row ends with the CR of the line's CR LF.
rows=$(drive rows | tail -n "+$((rows_before + 1))" | tr -d '\r')
expect_eq "report rows" "$rows" "$(cat "$data/log_expected.txt")"

# "g/", 4 + 3 + 2 records of tables 0 to 2, table 3 indices 0 to 5.
wait_for_file_line "$stats" '^commands=16$'

# A second run replaces the report with the same bytes.
drive click "$ID_LOG"
drive wait-rows $((rows_before + 2 * report_lines)) 60000 >/dev/null
wait_operation_end
expect_file_bytes "$TG_WORK/log.txt" "$TG_WORK/expected.txt"

press_exit
pass
