#!/usr/bin/env bash
# Read Fiscal Memory end to end: the shipped program reads the register simulator's
# sample dump (dump mode, on a pty mapped to COM2, paced like a 19200-baud line),
# with a 10,000-byte line in front of it. FMout1.txt and FMout2.txt are compared
# byte for byte with what the simulator sent (from its --log), and the list's rows
# with the lines. Read Fiscal Memory and LOG pressed during the dump are ignored.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
stats=$TG_WORK/regsim.stats
# Paced so that the dump (about 27 KB) takes some 14 s: the presses below land
# while it runs.
start_regsim --mode dump --map-com 2 --pace 19200 --fault long-line=10000 \
  --log "$line_log" --stats "$stats"
LANG=el_GR.UTF-8 start_program

drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
drive click "$ID_READ_FM"
drive wait-rows 5 20000 >/dev/null
caption=$(drive caption)
[[ $caption =~ ^"Tallyglass - Read Fiscal Memory "[0-9]+" bytes"$ ]] || fail "caption during the dump: '$caption'"
# The dump is running: neither button may start a second operation inside it.
drive click "$ID_READ_FM"
drive click "$ID_LOG"
completed="Η  ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΟΛΟΚΛΗΡΩΘΗΚΕ ΕΠΙΤΥΧΩΣ"
drive rows | grep -qxF "$completed" && fail "the dump ended before the presses: too fast to test them"
drive wait-row "$completed" 60000 >/dev/null
wait_for_file_line "$stats" '^dumps=1$'
drive rows >"$TG_WORK/rows.txt"

# The dump bytes as sent: every byte from the simulator after the program's STX, up
# to the ETX. The files get the complete lines, each LF written as CR LF; the
# second with the capitals Α..Ω (and 0xD2) moved to code page 737.
perl -ne 'BEGIN { binmode STDOUT } if (/ rx 02$/) { $on = 1; next }
  if ($on && / tx ([0-9A-Fa-f]{2})$/) { exit if hex($1) == 3; print chr hex $1 }' \
  "$line_log" >"$TG_WORK/sent.bin"
[ "$(stat -c %s "$TG_WORK/sent.bin")" -gt 20000 ] || fail "the simulator sent too little"
perl -0777 -pe 's/[^\n]*\z//; s/\n/\r\n/g' "$TG_WORK/sent.bin" >"$TG_WORK/expected1.txt"
perl -0777 -pe 's/[^\n]*\z//; tr/\xC1-\xD1\xD2-\xD9/\x80-\x90\x90-\x97/; s/\n/\r\n/g' \
  "$TG_WORK/sent.bin" >"$TG_WORK/expected2.txt"
expect_file_bytes "$TG_WORK/FMout1.txt" "$TG_WORK/expected1.txt"
expect_file_bytes "$TG_WORK/FMout2.txt" "$TG_WORK/expected2.txt"

# Rows: each line less its CR LF, cut at a NUL and at 1024 bytes, then the success
# message. 0xD2 has no character in 1253; the list shows it as Windows and Wine
# map it, U+F8FA.
perl -ne 'BEGIN { binmode STDOUT } next unless /\n\z/; chomp; chop if length;
  s/\0.*//s; $_ = substr($_, 0, 1024); tr/\xD2/\x01/; print "$_\n"' "$TG_WORK/sent.bin" |
  iconv -f CP1253 -t UTF-8 | sed 's/\x01/\xef\xa3\xba/g' >"$TG_WORK/expected_rows.txt"
echo "$completed" >>"$TG_WORK/expected_rows.txt"
expect_eq "rows" "$(cat "$TG_WORK/rows.txt")" "$(cat "$TG_WORK/expected_rows.txt")"

# One ENQ, one STX, and no CAN of a LOG opening: the nested presses did nothing.
expect_line "$(cat "$stats")" "enqs=1"
grep -q ' rx 18$' "$line_log" && fail "a LOG opening went out during the dump"
[ "$(grep -c ' rx 02$' "$line_log")" = 1 ] || fail "more than one STX went out"

drive click "$ID_EXIT"
expect_exit 0
pass
