# Shared helpers of the end-to-end tests: sourced by every tests/e2e/*.sh.
#
# A test starts the shipped Tallyglass.exe under Wine on the tests' headless Xvfb, in a
# fresh working directory, with the far end of its serial line played by ptypeer or
# regsim on a pty, and drives it from outside with tgdrive, as an operator would.
# Everything the test starts is ended by the EXIT trap, also when the test fails.
#
# Environment (set by CTest): TG_EXE, TG_DRIVE, TG_HOST_TOOLS_DIR, TG_WINE_RUN,
# TG_SOURCE_DIR. Optional: TG_TEST_DISPLAY (use that X display instead of the tests'
# Xvfb), TG_WINEPREFIX (another Wine prefix), TG_KEEP_WORK=1 (keep the working dir),
# TG_WORK (a working directory of the caller's, which is kept), TG_END_WINE=1 (end the
# Wine server and the Xvfb at the end, for a caller with a prefix of its own).
#
# A 32-bit program on a run without 32-bit support (tests/wine/wine-env) is not
# started: the test says why and ends with 77, which CTest reports as skipped.
#
# Typical use:
#   source "$(dirname "$0")/lib.sh"
#   start_peer --map-com 2 --log "$TG_WORK/peer.log"
#   start_program
#   connect_port
#   expect_line "$(drive state)" "1007 Button enabled visible Αποσύνδεση"
#   press_exit
#   pass
#
# The helpers it shares with the console program's tests (start_regsim, the rows,
# the expected files, expect_eq, expect_exit, ...) are in tests/lib/common.sh.
set -eEuo pipefail

: "${TG_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TG_EXE:?TG_EXE: path of Tallyglass.exe}"
: "${TG_DRIVE:?TG_DRIVE: path of tgdrive.exe}"
: "${TG_HOST_TOOLS_DIR:=$TG_SOURCE_DIR/build/host/tools}"

# shellcheck source=../wine/wine-env
source "$TG_SOURCE_DIR/tests/wine/wine-env"
# shellcheck source=../lib/common.sh
source "$TG_SOURCE_DIR/tests/lib/common.sh"

# Control ids of the dialog.
ID_LIST=1000 ID_CF16=1001 ID_CF11=1002 ID_EXIT=1004 ID_LOG=1005 ID_CONNECT=1007
ID_READ_FM=1008 ID_CLEAR=1030 ID_SPEED=1034 ID_PORT=1035

tg_loader_for "$TG_EXE" || exit $?
if [ -n "${TG_WORK:-}" ]; then
  mkdir -p "$TG_WORK"
  TG_KEEP_WORK=1
else
  TG_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tg-e2e-$TG_TEST_NAME.XXXXXX")
fi
# Every Wine process of this test inherits the mark (Wine hands the Windows
# environment on to the Linux side of its children), so the clean-up can find and
# end them by their pids even when a launcher died before its program.
export TG_E2E_MARK=$TG_WORK
TG_LAUNCHER=""      # the Linux pid of `tgdrive start`, whose result is the program's
TG_RESULT=""        # the program's result, once it has ended
TG_EXIT_WAIT_S=10   # expect_exit's default

# --- clean-up -----------------------------------------------------------------

# Linux pids of this test's Wine processes of the program and of tgdrive, found by the
# mark. Wine's own processes (wineserver, services, explorer) may carry the mark too
# when this test started them, but they serve every test: they are left alone.
marked_pids() {
  local env pid cmd
  for env in /proc/[0-9]*/environ; do
    pid=${env#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$$" ] || [ "$pid" = "$BASHPID" ] && continue
    # A process may end during the scan: its files vanish, silently.
    { tr '\0' '\n' <"$env"; } 2>/dev/null | grep -qxF "TG_E2E_MARK=$TG_WORK" || continue
    cmd=$({ tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null) || continue
    case $cmd in
      # winedbg: a crash of the program under Wine leaves it waiting with a dialog.
      *"$(basename "$TG_EXE")"* | *"$(basename "$TG_DRIVE")"* | *winedbg*) echo "$pid" ;;
      # The file manager the program opened on this test's working directory.
      *explorer.exe*"$(basename "$TG_WORK")"*) echo "$pid" ;;
    esac
  done
}

# show_run program: what the program shows while it runs (after a failure): its
# controls, its last rows and a message box, if one is open.
show_run() {
  [ -n "${TG_PID:-}" ] && [ -z "$TG_RESULT" ] || return 0
  log "the program's window at the failure:"
  {
    drive_raw state
    echo "last rows:"
    drive_raw rows | tail -n 5
    drive_raw peek-msgbox 0 2>/dev/null && echo "(a message box is open)"
  } 2>&1 | sed 's/^/  | /' >&2 || true
}

cleanup() {
  local status=$?
  set +e
  [ "$status" -ne 0 ] && show_run program
  if [ -n "${TG_PID:-}" ] && [ -z "$TG_RESULT" ]; then
    drive_raw kill >/dev/null 2>&1
  fi
  stop_tools
  local pid
  for pid in $(marked_pids); do kill -KILL "$pid" 2>/dev/null; done
  end_work "$status"
  # A script with a Wine prefix and Xvfb of its own (the demo) ends them too.
  [ "${TG_END_WINE:-0}" = 1 ] && tg_wine_shutdown
  exit "$status"
}
trap cleanup EXIT

# --- Wine and X -----------------------------------------------------------------

tg_wine_prefix || fail "no Wine prefix"
if [ -n "${TG_TEST_DISPLAY:-}" ]; then
  export DISPLAY=$TG_TEST_DISPLAY
else
  tg_xvfb || fail "no X display"
fi
cd "$TG_WORK"

# Runs tgdrive on the program started by start_program. Arguments in UTF-8: tgdrive
# runs in a UTF-8 locale whatever the test's, so Greek arguments arrive intact.
drive_raw() {
  LC_ALL=C.UTF-8 TG_PID=${TG_PID:-} tg_wine "$TG_DRIVE" "$@"
}

# drive COMMAND ARGS: as drive_raw, but a failing command fails the test.
drive() {
  local out status=0
  out=$(drive_raw "$@") || status=$?
  [ $status -eq 0 ] || { [ -n "$out" ] && printf '%s\n' "$out" >&2; fail "tgdrive $* (exit $status)"; }
  [ -z "$out" ] || printf '%s\n' "$out"
}

# --- the program ----------------------------------------------------------------

# start_program [EXE]: starts Tallyglass.exe (or EXE) in $TG_WORK and waits for its
# window. The environment of the call reaches the program, e.g.
#   LANG=el_GR.UTF-8 start_program
start_program() {
  local exe=${1:-$TG_EXE} pidfile="$TG_WORK/program.pid"
  rm -f "$pidfile"
  TG_RESULT=""
  (cd "$TG_WORK" && tg_loader_for "$TG_DRIVE" && WINELOADER=$TG_LOADER exec "$TG_LOADER" "$TG_DRIVE" start "$pidfile" "$exe" >/dev/null) &
  TG_LAUNCHER=$!
  TG_PIDS+=("$TG_LAUNCHER")
  for _ in $(seq 300); do
    [ -s "$pidfile" ] && break
    kill -0 "$TG_LAUNCHER" 2>/dev/null || fail "the program did not start"
    sleep 0.1
  done
  [ -s "$pidfile" ] || fail "the program did not start within 30 s"
  TG_PID=$(tr -d '\r\n' <"$pidfile")
  export TG_PID
  for _ in $(seq 30); do
    drive_raw wait 1000 >/dev/null 2>&1 && return 0
    if ! kill -0 "$TG_LAUNCHER" 2>/dev/null; then
      local status=0
      wait "$TG_LAUNCHER" || status=$?
      TG_RESULT=$status
      fail "the program ended with result $status before showing its window"
    fi
  done
  fail "no window \"Tallyglass\" within 30 s"
}

# wait_operation_end [SECONDS]: until the caption reads "Tallyglass" again: the
# running operation (which shows its progress there) has ended, its files closed.
wait_operation_end() {
  local secs=${1:-60} caption=""
  for _ in $(seq $((secs * 10))); do
    caption=$(drive caption) || fail "the caption could not be read"
    [ "$caption" = Tallyglass ] && return 0
    sleep 0.1
  done
  fail "the operation did not end within $secs s (caption: $caption)"
}

# await_run program SECONDS: the program started by start_program ends; its result
# is that of the launcher (see expect_exit). A test runs one program at a time, so
# its one run is called "program".
await_run() {
  [ "$1" = program ] || fail "no run '$1' here: the program's run is 'program'"
  drive_raw wait-exit "$(($2 * 1000))" || fail "the program did not end within $2 s"
  RUN_STATUS=0
  wait "$TG_LAUNCHER" || RUN_STATUS=$?
  TG_RESULT=$RUN_STATUS
}

# connect_port [PORT [SPEED]]: presses Connect and waits for its row (by default for
# the dialog's own choice, COM2 at 115200).
connect_port() {
  drive click "$ID_CONNECT"
  drive wait-row "$(opened_row "${1:-COM2}" "${2:-115200}")" >/dev/null
}

# disconnect_port [PORT]: presses Disconnect and waits for its row.
disconnect_port() {
  drive click "$ID_CONNECT"
  drive wait-row "$(closed_row "${1:-COM2}")" >/dev/null
}

# press_exit [SECONDS]: presses Exit; the program ends in time with result 0.
press_exit() {
  drive click "$ID_EXIT"
  expect_exit program 0 "$@"
}

# --- the far end of the line -------------------------------------------------------

# unmap_com N: COMn of the tests' Wine prefix leads nowhere.
unmap_com() {
  rm -f "$WINEPREFIX/dosdevices/com$1"
}

# lost_rows PORT: the rows of a port found lost, and of the wait for it.
lost_rows() {
  printf '%s\n' "Lost port $1: its device went away (the cable or the adapter was pulled)" \
    "Waiting for $1 to come back; Αποσύνδεση stops"
}

# --- what the benchmarks measure -------------------------------------------------

# program_linux_pid: the Linux process of the program started by start_program.
program_linux_pid() {
  local name pid
  name=$(basename "$TG_EXE")
  for pid in $(marked_pids); do
    tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -q "$(basename "$TG_DRIVE")" && continue
    tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" | grep -qF "$name" && { echo "$pid"; return; }
  done
}

# wineserver_pid: the Wine server of this prefix. Every PeekMessage and every
# serial call that needs it is a request to it, so a program's waits cost CPU there
# too. It runs in the prefix's server directory, .../server-DEV-INODE (hex).
wineserver_pid() {
  local dir pid
  dir=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
  for pid in $(pgrep -u "$(id -u)" wineserver); do
    [ "$(basename "$(readlink "/proc/$pid/cwd" 2>/dev/null)")" = "$dir" ] && { echo "$pid"; return 0; }
  done
  return 0
}

# --- checks -----------------------------------------------------------------------

# dialog_state connected|disconnected ROWS PORT SPEED [CF16 [CF11]]: the lines that
# `drive state` prints for the dialog in that state, e.g.
#   dialog_state disconnected 0 "1 COM2" "4 115200"
dialog_state() {
  local on=enabled off=disabled caption=Σύνδεση
  if [ "$1" = connected ]; then on=disabled off=enabled caption=Αποσύνδεση; fi
  printf '%s\n' "1000 SysListView32 enabled visible rows=$2 width=2000 header=Μηνύματα" \
    "1004 Button enabled visible Exit" \
    "1007 Button enabled visible $caption" \
    "1030 Button enabled visible X" \
    "1034 ComboBox $on visible sel=$4" \
    "1035 ComboBox $on visible sel=$3" \
    "1008 Button $off visible Read Fiscal Memory" \
    "1001 Edit enabled visible ${5:-}" \
    "1002 Edit enabled visible ${6:-}" \
    "-1 Static enabled visible C.F 16" \
    "-1 Static enabled visible C.F 11" \
    "1005 Button $off visible LOG"
}

# expect_state LINE [MS]: waits until the control's state line reads LINE.
expect_state() {
  drive wait-state "$1" "${2:-10000}" >/dev/null
}

# screenshot FILE: the whole screen of the test's X display, as PNG.
screenshot() {
  import -display "$DISPLAY" -window root "$1"
}

# screenshot_window FILE: just the program's window, as PNG.
screenshot_window() {
  local x y w h
  read -r x y w h <<<"$(drive rect)"
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$1"
}
