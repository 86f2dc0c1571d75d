#!/usr/bin/env bash
# The line settings applied, as the far end sees them: for each speed offered, the
# pty peer logs the open, the settings (' settings 9600 8 N 1') and the close. While
# tallyglass holds the line, stty reads the rest back (as root: TIOCEXCL does not keep
# root out): raw, no flow control of either kind, CLOCAL and CREAD. A stop ends each run.
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --log "$peer_log"
speeds=(9600 19200 38400 57600 115200)
events="" runs=0
for speed in "${speeds[@]}"; do
  start_tallyglass "at$speed" dump --port "$PEER_PATH" --speed "$speed"
  wait_for_rows "at$speed" 2
  wait_for_file_line "$peer_log" " settings $speed 8 N 1\$"
  if flags=$(stty -a -F "$PEER_PATH" 2>/dev/null); then
    for flag in "speed $speed baud" -parenb cs8 -cstopb -crtscts clocal cread -ixon -ixoff -ixany \
      -icanon -isig -iexten -echo -opost -icrnl -inlcr -igncr -istrip ignbrk "min = 0" "time = 0"; do
      grep -qE -- "(^|[ ;])$flag([ ;]|\$)" <<<"$flags" || { printf '%s\n' "$flags" >&2; fail "$speed: no '$flag'"; }
    done
  else
    log "stty cannot open $PEER_PATH (not root?): the flags are not read back"
  fi
  expect_eq "rows at $speed" "$(rows_of "at$speed")" \
    "$(printf '%s\n' "$(opened_row "$PEER_PATH" "$speed")" "$ROW_PLEASE_WAIT")"
  kill -INT "$(program_pid "at$speed")"
  expect_exit "at$speed" 130 2
  events+="open;settings $speed 8 N 1;close;"
  runs=$((runs + 1))
  # The peer has seen this close before the next run opens the line again.
  wait_for_line_count "$peer_log" ' close$' "$runs" 5
done
expect_eq "line events" "$(line_events "$peer_log")" "$events"
pass
