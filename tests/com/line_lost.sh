#!/usr/bin/env bash
# Tallyglass.com with the adapter pulled (the simulator ends: its pty closes, its COM
# link goes): a paced dump on COM2 ends at once with exit status 9, its complete
# lines kept and the loss on stdout and stderr; a LOG on COM3 told to wait 1 s for
# its port ends after that with 'LOG stopped: the line was lost', also 9.
source "$(dirname "$0")/lib.sh"

receipts_dump "$TG_WORK/dump.txt" "$TG_WORK/whole1.txt"
start_regsim --mode dump --dump "$TG_WORK/dump.txt" --pace 115200 --map-com 2 --log "$TG_WORK/dump.log"
dump_sim=$REGSIM_PID
start_regsim --mode command --generate-tables 40,40,40,400 --latency-us 7000 --map-com 3 --stats "$TG_WORK/log.stats"
log_sim=$REGSIM_PID
start_tallyglass dump dump --port COM2
start_tallyglass log log --port COM3 --wait-port 1
wait_for_line_count "$TG_WORK/dump.log" ' tx ' 20000 30
wait_for_file_line "$TG_WORK/log.stats" '^commands=(1[3-9][0-9]|[2-9][0-9][0-9])$' 60
stop_tool "$dump_sim"
stop_tool "$log_sim"
expect_exit dump 9 5
expect_exit log 9 10

expect_start_of "$(file_of dump FMout1.txt)" "$TG_WORK/whole1.txt"
lines=$(grep -c . "$(file_of dump FMout1.txt)")
expect_contains "$(rows_of dump)" "the files keep the $lines complete lines received"
expect_contains "$(rows_of dump)" "Lost port COM2: its device went away (the cable or the adapter was pulled)"
expect_contains "$(stderr_of dump)" "Tallyglass: the line was lost: the port's device went away"
expect_contains "$(rows_of log)" "Waiting for COM3 to come back; Ctrl+C stops"
expect_contains "$(rows_of log)" "LOG stopped: the line was lost"
[ "$(tail -c 3 "$(file_of log log.txt)" | od -An -tx1 | tr -d ' \n')" = 0d0d0a ] || fail "log.txt does not end in a whole line"
pass
