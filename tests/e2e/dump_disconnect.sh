#!/usr/bin/env bash
# Disconnect and Exit during a dump (the simulator paced at 115200 baud, a dump of
# about 8 s). Disconnect closes the port under the running capture, which then
# ends as a broken transfer, its files holding the complete lines received so far.
# After a new Connect, a second dump is interrupted by Exit: the program ends once
# the capture has ended, with result 0, and its files again hold complete lines.
source "$(dirname "$0")/lib.sh"

# The dump: 3000 lines of about 30 bytes, Latin and Greek.
perl -e 'for (1 .. 3000) {
  printf "%05d ΑΠΟΔΕΙΞΗ Ω%04d %9.2f EUR\n", $_, $_ % 9999, $_ * 1.25 }' >"$TG_WORK/dump.txt"
iconv -f UTF-8 -t CP1253 "$TG_WORK/dump.txt" | sed 's/$/\r\r/' >"$TG_WORK/expected1.txt"

# FILE is a non-empty run of complete lines from the start of the expected file.
expect_complete_lines() {
  local size
  size=$(stat -c %s "$1")
  [ "$size" -gt 0 ] || fail "$1 is empty"
  [ "$size" -lt "$(stat -c %s "$TG_WORK/expected1.txt")" ] || fail "$1 holds the whole dump"
  cmp -s -n "$size" "$1" "$TG_WORK/expected1.txt" || fail "$1 is not the start of the dump"
  [ "$(tail -c 3 "$1" | od -An -tx1 | tr -d ' ')" = 0d0d0a ] || fail "$1 ends inside a line"
}

start_regsim --mode dump --dump "$TG_WORK/dump.txt" --map-com 2 --pace 115200
LANG=el_GR.UTF-8 start_program

drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
drive click "$ID_READ_FM"
drive wait-rows 200 20000 >/dev/null
drive click "$ID_CONNECT"
broken_last="ΘΕΣΤΕ ΤΗ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ  "
drive wait-row "$broken_last" 10000 >/dev/null
expected=$(printf '%s\n' "Η ΗΤΜ ΑΠΟΣΥΝΔΕΘΗΚΕ....." \
  "Η ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΔΕΝ ΟΛΟΚΛΗΡΩΘΗΚΕ" "$broken_last")
expect_eq "rows" "$(drive rows)" "$expected"
expect_state "$ID_CONNECT Button enabled visible Σύνδεση"
expect_complete_lines "$TG_WORK/FMout1.txt"
cmp -s "$TG_WORK/FMout1.txt" "$TG_WORK/FMout2.txt" && fail "FMout2.txt has no converted capitals"

drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
drive click "$ID_READ_FM"
drive wait-rows 200 20000 >/dev/null
drive click "$ID_EXIT"
# Ends 2 s after the port closed, when the capture sees the silence.
expect_exit 0 10000
expect_complete_lines "$TG_WORK/FMout1.txt"
pass
