#!/usr/bin/env bash
# A port that cannot be opened ends a job with exit status 3 before anything is sent:
# stderr names the failing call and the device and says what to do, and the row
# "Failed opening ... port..." follows, as after the Windows program's message box.
# Cases: a missing device, a file that is no serial device, a device in use by
# another tallyglass (flock, which binds root too), and, run as the user nobody, a
# device held with TIOCEXCL and one without the permission to open it. Then an
# output file that cannot be created: exit status 7, and the register is not addressed.
# Last, files that cannot be written (a full disk, FMout2.txt and log.csv on
# /dev/full): exit status 8, the stop row and no success, nothing said to be kept.
source "$(dirname "$0")/lib.sh"

# expect_not_opened NAME DEVICE TEXT: the run NAME on DEVICE ended with 3, saying TEXT.
expect_not_opened() {
  expect_exit "$1" 3 5
  expect_eq "rows of $1" "$(rows_of "$1")" "Failed opening $2 port..."
  expect_contains "$(stderr_of "$1")" "$3"
}

missing=$TG_WORK/no/ttyUSB9
start_tallyglass missing dump --port "$missing"
expect_not_opened missing "$missing" "open $missing: No such file or directory (is the adapter plugged in?"
start_tallyglass plain log --port "$TG_SOURCE_DIR/README.md"
expect_not_opened plain "$TG_SOURCE_DIR/README.md" "open $TG_SOURCE_DIR/README.md: not a serial device"

start_regsim --mode dump --fault silent --log "$TG_WORK/line.log"
held=$REGSIM_PATH
start_tallyglass holder dump --port "$held"
wait_for_rows holder 2
start_tallyglass second log --port "$held"
expect_not_opened second "$held" "flock $held: the device is in use by another program"

if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null; then
  nobody="setpriv --reuid=nobody --regid=nogroup --clear-groups"
  chmod 755 "$TG_WORK"
  # Root passes TIOCEXCL by; another user is refused by the kernel.
  chmod 666 "$held"
  TG_RUN_AS=$nobody start_tallyglass exclusive dump --port "$held"
  expect_not_opened exclusive "$held" "open $held: Device or resource busy (another program holds the device exclusively)"
  start_peer
  chmod 620 "$PEER_PATH"
  group=$(stat -c %G "$PEER_PATH")
  TG_RUN_AS=$nobody start_tallyglass denied dump --port "$PEER_PATH"
  expect_not_opened denied "$PEER_PATH" "open $PEER_PATH: Permission denied (the device belongs to the group '$group'"
else
  log "not root, or no setpriv: TIOCEXCL and a denied open not tried"
fi
kill -TERM "$(program_pid holder)"
expect_exit holder 143 2
# Nothing but the holder's one ENQ went out.
expect_eq "bytes from the PC" "$(grep -c ' rx ' "$TG_WORK/line.log")" 1

# Output files that cannot be created: a directory in the way.
mkdir -p "$TG_WORK/nofm/FMout1.txt" "$TG_WORK/nolog/log.txt"
start_regsim --mode dump --log "$TG_WORK/nofm.log"
start_tallyglass nofm dump --port "$REGSIM_PATH"
expect_exit nofm 7 5
expect_rows nofm "$REGSIM_PATH" "The file 'FMout.txt' was not opened"
expect_contains "$(stderr_of nofm)" "cannot create FMout1.txt and FMout2.txt in the working directory"
grep -q ' rx ' "$TG_WORK/nofm.log" && fail "the register was addressed without the files"
start_regsim --mode command
start_tallyglass nolog log --port "$REGSIM_PATH"
expect_exit nolog 7 5
expect_rows nolog "$REGSIM_PATH" "The file 'log.txt' was not opened"

# A full disk under the dump's last batch and under LOG's records.
mkdir -p "$TG_WORK/fullfm" "$TG_WORK/fulllog"
ln -s /dev/full "$TG_WORK/fullfm/FMout2.txt"
ln -s /dev/full "$TG_WORK/fulllog/log.csv"
start_regsim --mode dump
start_tallyglass fullfm dump --port "$REGSIM_PATH"
expect_exit fullfm 8 30
start_regsim --mode command
start_tallyglass fulllog log --port "$REGSIM_PATH"
expect_exit fulllog 8 30
for run in fullfm fulllog; do
  expect_contains "$(rows_of $run)" "stopped: a file could not be written"
  expect_contains "$(stderr_of $run)" "a file could not be written (the rows above say which"
  expect_contains "$(stderr_of $run)" ", as far as they could be written"
done
if rows_of fullfm | grep -qF -- "$ROW_COMPLETED"; then fail "a dump that could not be written said it completed"; fi
pass
