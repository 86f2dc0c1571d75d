#!/usr/bin/env bash
# Ctrl+C and SIGTERM stop a running job at once, as Disconnect does in the window,
# for three runs side by side: SIGINT in the middle of a dump that streams (3000
# lines paced at 115200 baud, some 8 s), SIGINT in the middle of LOG, and SIGTERM
# while the dump waits for the register's ACK. Each ends within a second with
# 128 + the signal's number, its files closed holding what was received (complete
# lines, each one shown), the stop's row, then Disconnect's.
source "$(dirname "$0")/lib.sh"

receipts_dump "$TG_WORK/dump.txt" "$TG_WORK/whole1.txt"

start_regsim --mode dump --dump "$TG_WORK/dump.txt" --pace 115200
stream_port=$REGSIM_PATH
start_regsim --mode command --generate-tables 2,2,2,400 --latency-us 20000
log_port=$REGSIM_PATH
start_regsim --mode dump --fault silent
silent_port=$REGSIM_PATH

start_tallyglass stream dump --port "$stream_port"
start_tallyglass log log --port "$log_port"
start_tallyglass handshake dump --port "$silent_port"
sleep 1
kill -TERM "$(program_pid handshake)"
expect_exit handshake 143 1
wait_for_rows stream 200
kill -INT "$(program_pid stream)"
expect_exit stream 130 1
wait_for_rows log 8
kill -INT "$(program_pid log)"
expect_exit log 130 1

# The handshake: empty files, the waiting message, the stop.
expect_rows handshake "$silent_port" "$ROW_PLEASE_WAIT" "$ROW_DUMP_STOPPED"
expect_empty_files "$(file_of handshake FMout1.txt)" "$(file_of handshake FMout2.txt)"
expect_contains "$(stderr_of handshake)" "stopped by SIGTERM"

# The stream: a start of the dump, in complete lines, each of them shown.
fm1=$(file_of stream FMout1.txt)
expect_start_of "$fm1" "$TG_WORK/whole1.txt"
fm2_of "$fm1" "$TG_WORK/expected2.txt"
expect_file_bytes "$(file_of stream FMout2.txt)" "$TG_WORK/expected2.txt"
expect_rows stream "$stream_port" "$ROW_PLEASE_WAIT" "$(file_rows "$fm1")" "$ROW_DUMP_STOPPED"
expect_contains "$(stderr_of stream)" "stopped by SIGINT"

# LOG: the report lines so far, each in the file and shown.
expect_log_stopped log "$log_port" "$ROW_LOG_STOPPED"
pass
