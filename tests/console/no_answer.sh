#!/usr/bin/env bash
# A register that never answers (regsim --fault silent), for both jobs side by side.
# The dump: one ENQ, no STX, the no-answer rows after 10 s, both files there and
# empty, exit status 4; the wait blocks in poll() instead of spinning. LOG: its
# openings go unanswered, log.txt is empty, no row tells of it (as in the window),
# so stderr does, and the exit status is 4 too.
source "$(dirname "$0")/lib.sh"

start_regsim --mode dump --fault silent --log "$TG_WORK/dump-line.log"
dump_port=$REGSIM_PATH
start_regsim --mode command --fault silent
log_port=$REGSIM_PATH

started=$(date +%s%N)
start_tallyglass dump dump --port "$dump_port"
start_tallyglass log log --port "$log_port"
sleep 5
cpu=$(cpu_ms "$(program_pid dump)")
[ "$cpu" -le 100 ] || fail "the dump used $cpu ms of processor time in 5 s of waiting"
expect_exit dump 4
waited_ms=$((($(date +%s%N) - started) / 1000000))
[ "$waited_ms" -ge 9500 ] || fail "no answer reported after $waited_ms ms, expected 10 s"

expect_rows dump "$dump_port" "$ROW_PLEASE_WAIT" "$ROWS_NO_ANSWER"
expect_contains "$(stderr_of dump)" "no answer from the register"
expect_empty_files "$(file_of dump FMout1.txt)" "$(file_of dump FMout2.txt)"
expect_eq "ENQs" "$(grep -c ' rx 05$' "$TG_WORK/dump-line.log")" 1
grep -q ' rx 02$' "$TG_WORK/dump-line.log" && fail "STX went out without an ACK"

expect_exit log 4
expect_rows log "$log_port"
expect_contains "$(stderr_of log)" "no answer from the register: is it in its command mode?"
expect_empty_files "$(file_of log log.txt)"
pass
