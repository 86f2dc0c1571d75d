#!/usr/bin/env bash
# A line that goes quiet in the middle of a job, for both jobs side by side.
# The dump: the register stops sending after 3000 bytes (regsim --fault
# gap=3000:5000:1); 2 s later the transfer ends as broken, exit status 5, both files
# holding the complete lines of those bytes, and stdout the rows shown before the
# break, then the broken-transfer rows. LOG: the simulator falls silent in the middle
# of table 3 (stopped with SIGSTOP: the line is there, the register says nothing);
# after five exchanges without an answer LOG stops, exit status 6, log.txt holding the
# lines shown, and the silent line costs no processor time meanwhile. (A line that
# goes away altogether is unplug.sh's.)
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/dump-line.log
start_regsim --mode dump --fault gap=3000:5000:1 --log "$line_log"
dump_port=$REGSIM_PATH
start_regsim --mode command --generate-tables 2,2,2,400 --latency-us 20000
log_port=$REGSIM_PATH log_regsim=$REGSIM_PID

start_tallyglass dump dump --port "$dump_port"
start_tallyglass log log --port "$log_port"
wait_for_rows log 6
kill -STOP "$log_regsim"
pulled=$(date +%s)
cpu_before=$(cpu_ms "$(program_pid log)")

expect_exit dump 5
sent_dump "$line_log" "$TG_WORK/sent.bin"
[ "$(stat -c %s "$TG_WORK/sent.bin")" -ge 3000 ] || fail "the simulator sent less than its 3000 bytes"
head -c 3000 "$TG_WORK/sent.bin" >"$TG_WORK/before_gap.bin"
expected_fm_files "$TG_WORK/before_gap.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
[ -s "$TG_WORK/expected1.txt" ] || fail "no complete line before the gap"
expect_file_bytes "$(file_of dump FMout1.txt)" "$TG_WORK/expected1.txt"
expect_file_bytes "$(file_of dump FMout2.txt)" "$TG_WORK/expected2.txt"
expect_rows dump "$dump_port" "$ROW_PLEASE_WAIT" "$(cp1253_rows "$TG_WORK/before_gap.bin")" "$ROWS_BROKEN"
expect_contains "$(stderr_of dump)" "the transfer broke off"

# Five exchanges of three unanswered openings of 1 s each: LOG is still waiting
# 8 s after the pull.
while [ $(($(date +%s) - pulled)) -lt 8 ]; do sleep 0.2; done
cpu=$(($(cpu_ms "$(program_pid log)") - cpu_before))
[ "$cpu" -le 150 ] || fail "LOG used $cpu ms of processor time in 8 s on a silent line"
expect_exit log 6 40
kill -CONT "$log_regsim"
expect_log_stopped log "$log_port" "LOG stopped: the register does not answer"
[ "$(wc -l <<<"$REPORT")" -ge 5 ] || fail "too few report lines before the simulator went"
expect_contains "$(stderr_of log)" "the register stopped answering"
pass
