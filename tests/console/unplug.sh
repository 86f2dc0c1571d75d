#!/usr/bin/env bash
# An adapter pulled in the middle of a job (regsim --fault unplug: its end of the pty
# closed and its --link removed, a new pty behind the link later). The dump ends at
# once with exit status 9, its files holding every complete line received and its
# manifest saying where the line was lost. LOG waits for the link to come back and
# goes on: log.txt and log.csv byte for byte those of a run that was not cut, the
# four rows of the loss and the resumption besides. LOG whose port stays away longer
# than --wait-port ends with exit status 9, and waits without costing the processor.
source "$(dirname "$0")/lib.sh"

dump_link=$TG_WORK/dump-link
start_regsim --mode dump --generate-dump 40000 --pace 115200 --link "$dump_link" --fault unplug=3000:2000 \
  --log "$TG_WORK/dump-line.log"
start_regsim --mode command --generate-tables 3,3,3,60
whole_port=$REGSIM_PATH
start_regsim --mode command --generate-tables 3,3,3,60 --latency-us 20000 --link "$TG_WORK/log-link" \
  --fault unplug=1500:2000
start_regsim --mode command --generate-tables 3,3,3,60 --latency-us 20000 --link "$TG_WORK/gone-link" \
  --fault unplug=1500:60000

start_tallyglass dump dump --port "$dump_link"
start_tallyglass whole log --port "$whole_port" --no-archive
start_tallyglass cut log --port "$TG_WORK/log-link" --no-archive
start_tallyglass gone log --port "$TG_WORK/gone-link" --no-archive --wait-port 5

wait_for_file_line "$(file_of gone stdout.txt)" '^Waiting for '
cpu_before=$(cpu_ms "$(program_pid gone)")
sleep 2
cpu=$(($(cpu_ms "$(program_pid gone)") - cpu_before))
[ "$cpu" -le 20 ] || fail "LOG used $cpu ms of processor time in 2 s while it waited for its port"
log "processor time while waiting for the port: $cpu ms in 2 s"
expect_exit gone 9 10
expect_eq "last rows of LOG whose port stayed away" "$(tail -n 2 "$(file_of gone stdout.txt)")" \
  "$(printf '%s\n' "LOG stopped: the line was lost" "Closed port $TG_WORK/gone-link")"
expect_contains "$(stderr_of gone)" "the line was lost"

expect_exit dump 9 10
rows=$(rows_of dump)
kept=$(sed -nE 's/^Read Fiscal Memory stopped: the line was lost after ([0-9]+) bytes.*/\1/p' <<<"$rows")
[ -n "$kept" ] || fail "no row with the bytes kept"
sent_dump "$TG_WORK/dump-line.log" "$TG_WORK/sent.bin"
head -c "$kept" "$TG_WORK/sent.bin" >"$TG_WORK/received.bin"
expected_fm_files "$TG_WORK/received.bin" "$TG_WORK/expected1.txt" "$TG_WORK/expected2.txt"
expect_file_bytes "$(file_of dump FMout1.txt)" "$TG_WORK/expected1.txt"
expect_file_bytes "$(file_of dump FMout2.txt)" "$TG_WORK/expected2.txt"
lines=$(grep -c $'\r$' "$TG_WORK/expected1.txt")
expect_eq "last rows of the dump" "$(tail -n 5 <<<"$rows")" "$(printf '%s\n' "$ROWS_BROKEN" \
  "Read Fiscal Memory stopped: the line was lost after $kept bytes; the files keep the $lines complete lines received. Start the sending again on the register ('ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ')" \
  "Lost port $dump_link: its device went away (the cable or the adapter was pulled)")"
expect_contains "$(stderr_of dump)" "tallyglass: the line was lost: the port's device went away"
expect_contains "$(cat "$(file_of dump Tallyglass-archive)"/*/manifest.txt)" \
  "complete: no: the line was lost after $kept bytes"

expect_exit whole 0 60
expect_exit cut 0 60
expect_file_bytes "$(file_of cut log.txt)" "$(file_of whole log.txt)"
expect_file_bytes "$(file_of cut log.csv)" "$(file_of whole log.csv)"
loss_rows=$(printf '%s\n' "Lost port PORT: its device went away (the cable or the adapter was pulled)" \
  "Waiting for PORT to come back; Ctrl+C stops" "$(opened_row PORT)" \
  "LOG goes on: the exchange that the loss cut is asked again")
cut_rows=$(sed "s|$TG_WORK/log-link|PORT|" "$(file_of cut stdout.txt)")
[ "$(grep -cxF -f <(printf '%s\n' "$loss_rows") <<<"$cut_rows")" = 5 ] || fail "not the rows of one loss"
grep -A3 -xF "$(head -n1 <<<"$loss_rows")" <<<"$cut_rows" | grep -qxF "$(tail -n1 <<<"$loss_rows")" ||
  fail "the rows of the loss do not follow each other"
expect_eq "rows of the cut LOG but the loss's" "$(grep -vxF -f <(printf '%s\n' "$loss_rows") <<<"$cut_rows")" \
  "$(sed "s|$whole_port|PORT|" "$(file_of whole stdout.txt)" | grep -vxF -f <(printf '%s\n' "$loss_rows"))"

pass
