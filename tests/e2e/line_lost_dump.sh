#!/usr/bin/env bash
# The adapter pulled, in the window: COM2's link removed and its pty closed (the
# simulator ended) while the program is connected and idle, then in the middle of
# a paced dump. Each time rows name the port and the cause and the program waits
# for the port, its CPU next to nothing; Read Fiscal Memory pressed meanwhile sends
# nothing; Disconnect ends the wait. The dump keeps every complete line received
# and says how many, the manifest says the line was lost; once a new pty is behind
# COM2 the program connects again by itself and the next dump is whole.
source "$(dirname "$0")/lib.sh"

# pull_adapter: the simulator ends: its pty closes and COM2's link goes.
pull_adapter() {
  stop_tool "$REGSIM_PID"
  unmap_com 2
}

# expect_no_spinning: over 3 s the program spends at most 5% of a core.
expect_no_spinning() {
  local before
  before=$(cpu_ms "$(program_linux_pid)")
  sleep 3
  [ $(($(cpu_ms "$(program_linux_pid)") - before)) -le 150 ] || fail "the program spins while it waits"
}

# Connected and idle.
start_regsim --mode dump --map-com 2
LANG=el_GR.UTF-8 start_program
connect_port
pull_adapter
drive wait-row "$(last_row "$(lost_rows COM2)")" 3000 >/dev/null
expect_eq "rows" "$(drive rows)" "$(opened_row COM2)"$'\n'"$(lost_rows COM2)"
expect_state "1007 Button enabled visible Αποσύνδεση"
expect_state "1008 Button enabled visible Read Fiscal Memory"
drive click "$ID_READ_FM"
drive wait-row "COM2 is not back yet: nothing was sent" >/dev/null
disconnect_port
expect_eq "state" "$(drive state)" "$(dialog_state disconnected 5 "1 COM2" "4 115200")"

# In the middle of a dump.
receipts_dump "$TG_WORK/dump.txt" "$TG_WORK/whole1.txt"
start_regsim --mode dump --dump "$TG_WORK/dump.txt" --pace 115200 --map-com 2 --log "$TG_WORK/line.log"
connect_port
drive click "$ID_READ_FM"
wait_for_line_count "$TG_WORK/line.log" ' tx ' 20000 30
pull_adapter
drive wait-row "$(last_row "$(lost_rows COM2)")" 3000 >/dev/null
expect_start_of "$TG_WORK/FMout1.txt" "$TG_WORK/whole1.txt"
lines=$(grep -c . "$TG_WORK/FMout1.txt")
rows=$(drive rows)
kept=$(sed -n 4p <<<"$rows")
bytes=$(sed -nE 's/^Read Fiscal Memory stopped: the line was lost after ([0-9]+) bytes; .*/\1/p' <<<"$kept")
[ -n "$bytes" ] && [ "$bytes" -ge $(($(stat -c %s "$TG_WORK/FMout1.txt") - lines)) ] || fail "the row of the kept lines: $kept"
expect_eq "rows" "$rows" "$ROWS_BROKEN"$'\n'"Read Fiscal Memory stopped: the line was lost after $bytes bytes; the files keep the \
$lines complete lines received. Start the sending again on the register ('ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ')"$'\n'"$(lost_rows COM2)"
manifest=$(cat Tallyglass-archive/*_dump/manifest.txt)
expect_contains "$manifest" "complete: no"
expect_contains "$manifest" "the line was lost after $bytes bytes"
expect_no_spinning

start_regsim --mode dump --dump "$TG_WORK/dump.txt" --map-com 2
drive wait-row "$(opened_row COM2)" 3000 >/dev/null
expect_state "1008 Button enabled visible Read Fiscal Memory"
drive click "$ID_READ_FM"
drive wait-row "$ROW_COMPLETED" 30000 >/dev/null
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/whole1.txt"
press_exit
pass
