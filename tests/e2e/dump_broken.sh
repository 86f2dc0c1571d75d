#!/usr/bin/env bash
# Read Fiscal Memory with a register that stops sending in the middle of its dump
# (regsim --fault gap=3000:5000:1, the first dump only): the list shows only the
# three broken-transfer messages, and both files hold the complete lines of the
# first 3000 bytes. A second Read Fiscal Memory then reads the whole dump: the
# rest of the broken one, still arriving meanwhile, is purged before the ENQ.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
start_regsim --mode dump --map-com 2 --fault gap=3000:5000:1 --log "$line_log"
LANG=el_GR.UTF-8 start_program

drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
drive click "$ID_READ_FM"
broken_last="ΘΕΣΤΕ ΤΗ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ  "
drive wait-row "$broken_last" 30000 >/dev/null
expected=$(printf '%s\n' "Η ΗΤΜ ΑΠΟΣΥΝΔΕΘΗΚΕ....." \
  "Η ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΔΕΝ ΟΛΟΚΛΗΡΩΘΗΚΕ" "$broken_last")
expect_eq "rows" "$(drive rows)" "$expected"

# The dump as sent: the whole of it, once the simulator has gone on after its gap
# and sent its ETX.
wait_for_file_line "$line_log" ' tx 03$' 20
perl -ne 'BEGIN { binmode STDOUT } if (/ rx 02$/) { $on = 1; next }
  if ($on && / tx ([0-9A-Fa-f]{2})$/) { exit if hex($1) == 3; print chr hex $1 }' \
  "$line_log" >"$TG_WORK/sent.bin"
head -c 3000 "$TG_WORK/sent.bin" | perl -0777 -pe 's/[^\n]*\z//; s/\n/\r\n/g' >"$TG_WORK/expected1.txt"
[ -s "$TG_WORK/expected1.txt" ] || fail "no complete line before the gap"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
perl -pe 'tr/\xC1-\xD1\xD2-\xD9/\x80-\x90\x90-\x97/' "$TG_WORK/expected1.txt" >"$TG_WORK/expected2.txt"
expect_file_bytes "$TG_WORK/FMout2.txt" "$TG_WORK/expected2.txt"

# Again: the whole dump this time.
drive click "$ID_READ_FM"
drive wait-row "Η  ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΟΛΟΚΛΗΡΩΘΗΚΕ ΕΠΙΤΥΧΩΣ" 30000 >/dev/null
perl -0777 -pe 's/[^\n]*\z//; s/\n/\r\n/g' "$TG_WORK/sent.bin" >"$TG_WORK/expected_all.txt"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected_all.txt"

drive click "$ID_EXIT"
expect_exit 0
pass
