#!/usr/bin/env bash
# Read Fiscal Memory with a register that never answers (regsim --fault silent): one
# ENQ, then after 10 s the no-answer messages under the waiting message; both files
# exist and are empty, and no STX went out.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
start_regsim --mode dump --map-com 2 --fault silent --log "$line_log"
LANG=el_GR.UTF-8 start_program

drive click "$ID_CONNECT"
drive wait-row "Opened port COM2, 115200, Parity NONE, Data 8, Stop 1" >/dev/null
started=$(date +%s%N)
drive click "$ID_READ_FM"
last="ΘΕΣΤΕ ΤΗΝ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ"
drive wait-row "$last" 30000 >/dev/null
waited_ms=$((($(date +%s%N) - started) / 1000000))
[ "$waited_ms" -ge 9500 ] || fail "no answer reported after $waited_ms ms, expected 10 s"

expected=$(printf '%s\n' "ΠΑΡΑΚΑΛΩ ΠΕΡΙΜΕΝΕΤΕ......" \
  "-----------------------------------------------------" \
  "H ΗΤΜ ΔΕΝ ΕΙΝΑΙ ΣΕ ΛΕΙΤΟΥΡΓΙΑ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' " "$last")
expect_eq "rows" "$(drive rows)" "$expected"
for f in FMout1.txt FMout2.txt; do
  [ -f "$TG_WORK/$f" ] || fail "$f was not created"
  [ ! -s "$TG_WORK/$f" ] || fail "$f is not empty"
done
[ "$(grep -c ' rx 05$' "$line_log")" = 1 ] || fail "expected exactly one ENQ"
grep -q ' rx 02$' "$line_log" && fail "STX went out without an ACK"

drive click "$ID_EXIT"
expect_exit 0
pass
