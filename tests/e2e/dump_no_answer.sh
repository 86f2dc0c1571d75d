#!/usr/bin/env bash
# Read Fiscal Memory with a register that never answers (regsim --fault silent): one
# ENQ, then after 10 s the no-answer messages under the waiting message; both files
# exist and are empty, and no STX went out.
source "$(dirname "$0")/lib.sh"

line_log=$TG_WORK/regsim.log
start_regsim --mode dump --map-com 2 --fault silent --log "$line_log"
LANG=el_GR.UTF-8 start_program

connect_port
started=$(date +%s%N)
drive click "$ID_READ_FM"
drive wait-row "$(last_row "$ROWS_NO_ANSWER")" 30000 >/dev/null
waited_ms=$((($(date +%s%N) - started) / 1000000))
[ "$waited_ms" -ge 9500 ] || fail "no answer reported after $waited_ms ms, expected 10 s"

expect_eq "rows" "$(drive rows)" "$ROW_PLEASE_WAIT
$ROWS_NO_ANSWER"
expect_empty_files "$TG_WORK/FMout1.txt" "$TG_WORK/FMout2.txt"
[ "$(grep -c ' rx 05$' "$line_log")" = 1 ] || fail "expected exactly one ENQ"
grep -q ' rx 02$' "$line_log" && fail "STX went out without an ACK"

press_exit
pass
