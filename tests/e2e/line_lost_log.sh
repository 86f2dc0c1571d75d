#!/usr/bin/env bash
# LOG with the adapter pulled for 5 s in the middle of its run: COM2's link removed
# and its pty closed (the simulator ended), then a new simulator on a new pty behind
# COM2. The program says the line was lost and that it waits, spends next to
# nothing meanwhile, takes the port up again, repeats the cut exchange and goes on:
# log.txt and log.csv end byte for byte as those of an uninterrupted run, and the
# report's rows are those of its lines.
source "$(dirname "$0")/lib.sh"

tables=40,40,40,80
stats=$TG_WORK/regsim.stats
start_regsim --mode command --generate-tables "$tables" --map-com 2 --stats "$TG_WORK/whole.stats"
LANG=el_GR.UTF-8 start_program
connect_port
drive click "$ID_LOG"
# "g/" and one command a record; then the caption says when the files are closed.
wait_for_file_line "$TG_WORK/whole.stats" '^commands=201$' 120
wait_operation_end 120
mv "$TG_WORK/log.txt" "$TG_WORK/whole.txt"
mv "$TG_WORK/log.csv" "$TG_WORK/whole.csv"
stop_tool "$REGSIM_PID"
disconnect_port

# Each answer 7 ms late, so that the run is long enough to be cut in its middle.
start_regsim --mode command --generate-tables "$tables" --map-com 2 --stats "$stats" --latency-us 7000
connect_port
drive click "$ID_CLEAR"
drive click "$ID_LOG"
wait_for_file_line "$stats" '^commands=(9[0-9]|1[0-9][0-9])$' 60
stop_tool "$REGSIM_PID"
unmap_com 2
drive wait-row "$(last_row "$(lost_rows COM2)")" 3000 >/dev/null
before=$(cpu_ms "$(program_linux_pid)")
sleep 5
[ $(($(cpu_ms "$(program_linux_pid)") - before)) -le 250 ] || fail "the program spins while it waits"
start_regsim --mode command --generate-tables "$tables" --map-com 2
drive wait-rows 84 120000 >/dev/null  # the 80 report rows and the 4 of the loss
wait_operation_end 120
expect_file_bytes "$TG_WORK/log.txt" "$TG_WORK/whole.txt"
expect_file_bytes "$TG_WORK/log.csv" "$TG_WORK/whole.csv"
rows=$(drive rows | tr -d '\r')
notes=$(lost_rows COM2; opened_row COM2; echo "LOG goes on: the exchange that the loss cut is asked again")
while read -r row; do expect_line "$rows" "$row"; done <<<"$notes"
expect_eq "report rows" "$(grep -vxF -f <(echo "$notes") <<<"$rows")" "$(file_rows "$TG_WORK/log.txt")"
expect_state "1007 Button enabled visible Αποσύνδεση"
press_exit
pass
