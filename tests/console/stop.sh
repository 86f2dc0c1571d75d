#!/usr/bin/env bash
# Ctrl+C and SIGTERM stop a running job at once, as Disconnect does in the window,
# for three runs side by side: SIGINT in the middle of a dump that streams (3000
# lines paced at 115200 baud, some 8 s), SIGINT in the middle of LOG, and SIGTERM
# while the dump waits for the register's ACK. Each ends within a second with
# 128 + the signal's number, its files closed holding what was received (complete
# lines, each one shown), the stop's row, then Disconnect's.
source "$(dirname "$0")/lib.sh"

perl -e 'for (1 .. 3000) {
  printf "%05d ΑΠΟΔΕΙΞΗ Ω%04d %9.2f EUR\n", $_, $_ % 9999, $_ * 1.25 }' >"$TG_WORK/dump.txt"
iconv -f UTF-8 -t CP1253 "$TG_WORK/dump.txt" | sed 's/$/\r\r/' >"$TG_WORK/whole1.txt"

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
expect_eq "rows of the stopped handshake" "$(rows_of handshake)" \
  "$(printf '%s\n' "$(opened_row "$silent_port")" "$ROW_PLEASE_WAIT" "$ROW_DUMP_STOPPED" "$(closed_row "$silent_port")")"
for f in FMout1.txt FMout2.txt; do
  [ -f "$(file_of handshake $f)" ] && [ ! -s "$(file_of handshake $f)" ] || fail "$f is not there and empty"
done
expect_contains "$(stderr_of handshake)" "stopped by SIGTERM"

# The stream: a start of the dump, in complete lines, each of them shown.
fm1=$(file_of stream FMout1.txt)
size=$(stat -c %s "$fm1")
[ "$size" -gt 0 ] && [ "$size" -lt "$(stat -c %s "$TG_WORK/whole1.txt")" ] || fail "FMout1.txt holds $size bytes"
cmp -s -n "$size" "$fm1" "$TG_WORK/whole1.txt" || fail "FMout1.txt is not the start of the dump"
[ "$(tail -c 3 "$fm1" | od -An -tx1 | tr -d ' \n')" = 0d0d0a ] || fail "FMout1.txt ends inside a line"
perl -pe 'tr/\xC1-\xD1\xD2-\xD9/\x80-\x90\x90-\x97/' "$fm1" >"$TG_WORK/expected2.txt"
expect_file_bytes "$(file_of stream FMout2.txt)" "$TG_WORK/expected2.txt"
expected=$(printf '%s\n' "$(opened_row "$stream_port")" "$ROW_PLEASE_WAIT" \
  "$(iconv -f CP1253 -t UTF-8 "$fm1" | sed 's/\r\r$//')" "$ROW_DUMP_STOPPED" "$(closed_row "$stream_port")")
expect_eq "rows of the stopped dump" "$(rows_of stream)" "$expected"
expect_contains "$(stderr_of stream)" "stopped by SIGINT"

# LOG: the report lines so far, each in the file and shown.
rows=$(rows_of log)
expect_eq "LOG's last rows" "$(tail -n 2 <<<"$rows")" \
  "$(printf '%s\n' "$ROW_LOG_STOPPED" "$(closed_row "$log_port")")"
report=$(sed -n '2,$p' <<<"$rows" | head -n -2)
expect_eq "log.txt" "$(iconv -f CP1253 -t UTF-8 "$(file_of log log.txt)" | sed 's/\r\r$//')" "$report"
pass
