#!/usr/bin/env bash
# LOG keeps the window alive: against a slow register (every answer 20 ms late, a run
# of some six seconds) the dialog answers a message within 200 ms throughout, rows
# appear before the end and the caption counts the records. Disconnect during a
# second run stops it: the row, a closed log.txt holding the lines so far, the
# unconnected dialog. Exit during a third run ends the program with result 0, its
# log.txt again complete up to its last line.
source "$(dirname "$0")/lib.sh"

stats=$TG_WORK/regsim.stats
# "g/", 5 + 5 + 5 records of tables 0 to 2, 80 of table 3: 96 exchanges.
start_regsim --mode command --generate-tables 5,5,5,80 --latency-us 20000 --map-com 2 --stats "$stats"
LANG=el_GR.UTF-8 start_program
connect_port

# log.txt holds N complete report lines, as many as the rows shown for the run; with
# WHOLE, they are the start of that whole run's.
expect_report_lines() {
  if [ $# -gt 1 ]; then expect_start_of "$TG_WORK/log.txt" "$2"; fi
  expect_eq "lines in log.txt" "$(grep -c $'\r\r$' "$TG_WORK/log.txt")" "$1"
  [ "$(tail -c 3 "$TG_WORK/log.txt" | od -An -tx1 | tr -d ' ')" = 0d0d0a ] || fail "log.txt ends inside a line"
}

log "a whole run"
drive click "$ID_LOG"
alive=$(drive ping-for 3 200) || fail "the window did not answer in time: $alive"
log "while LOG ran: $alive"
caption=$(drive caption)
[[ $caption =~ ^"Tallyglass - LOG "[0-9]+" / 96"$ ]] || fail "caption during the run: '$caption'"
rows=$(drive rows | wc -l)
[ "$rows" -gt 1 ] || fail "no report row shown 3 s into the run"
grep -q '^commands=96$' "$stats" && fail "the run was over before the checks: too fast to test them"
wait_for_file_line "$stats" '^commands=96$' 30
expect_state "1005 Button enabled visible LOG"
drive wait-rows 81 10000 >/dev/null
wait_operation_end 10
expect_report_lines 80
cp "$TG_WORK/log.txt" "$TG_WORK/whole.txt"

log "Disconnect during a run"
drive click "$ID_CLEAR"
drive click "$ID_LOG"
drive wait-rows 10 20000 >/dev/null
drive click "$ID_CONNECT"
drive wait-row "LOG stopped: the port was closed" 2000 >/dev/null
expect_eq "state after Disconnect" "$(drive state)" "$(dialog_state disconnected "$(drive rows | wc -l)" "1 COM2" "4 115200")"
expect_report_lines "$(drive rows | grep -c $'\r$')" "$TG_WORK/whole.txt"
expect_eq "last rows" "$(drive rows | tail -n 2)" "$(closed_row COM2)
LOG stopped: the port was closed"

log "Exit during a run"
connect_port
drive click "$ID_LOG"
drive wait-rows "$(( $(drive rows | wc -l) + 10 ))" 20000 >/dev/null
press_exit 3
lines=$(grep -c $'\r\r$' "$TG_WORK/log.txt")
[ "$lines" -ge 10 ] && [ "$lines" -lt 80 ] || fail "log.txt after Exit holds $lines lines"
expect_report_lines "$lines" "$TG_WORK/whole.txt"
pass
