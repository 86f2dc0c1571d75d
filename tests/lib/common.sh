# Helpers shared by the end-to-end tests of the Windows program (tests/e2e/lib.sh), of
# the console program (tests/console/lib.sh) and by the scripts that drive the program
# through them (scripts/demo, scripts/bench-*): the test's messages and its end, the
# far end of the line (regsim, ptypeer on a pty), the rows the program shows, the files
# it must write, and the checks. Nothing here needs Wine or a display.
#
# The sourcing lib sets TG_SOURCE_DIR and TG_HOST_TOOLS_DIR before, TG_WORK after, and
# defines how a run of the program ends (await_run, show_run, TG_EXIT_WAIT_S: see
# expect_exit); its EXIT trap calls stop_tools and end_work.

# shellcheck source=../../scripts/steps.sh
source "$TG_SOURCE_DIR/scripts/steps.sh"

TG_TEST_NAME=$(basename "$0" .sh)
TG_PIDS=()    # background tools of this test (peers, simulators), ended by stop_tools
TG_PASSED=0
trap_unexpected_failure "$TG_TEST_NAME"
trap 'exit 130' INT TERM

# --- the test's messages and its end ------------------------------------------------

log() { printf '%s: %s\n' "$TG_TEST_NAME" "$*" >&2; }

fail() {
  log "FAIL: $*"
  exit 1
}

pass() {
  TG_PASSED=1
  log "passed"
  exit 0
}

stop_pid() {
  local pid=$1
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

stop_tools() {
  local pid
  for pid in "${TG_PIDS[@]}"; do stop_pid "$pid"; done
}

# end_work STATUS: a failed test keeps its working directory and says where; so does
# one run with TG_KEEP_WORK=1. Otherwise it is removed.
end_work() {
  if [ "$1" -ne 0 ] || [ "$TG_PASSED" != 1 ]; then
    log "working directory kept: $TG_WORK"
  elif [ "${TG_KEEP_WORK:-0}" != 1 ]; then
    rm -rf "$TG_WORK"
  fi
}

# --- the far end of the line --------------------------------------------------------

# start_tool NAME ARGS: starts a host tool (ptypeer, regsim) in the background and
# waits until it has opened its pty (and mapped it when asked to). Sets TOOL_PID and
# TOOL_PATH (the pty).
start_tool() {
  local tool=$1
  shift
  local pathfile
  pathfile=$(mktemp "$TG_WORK/$tool-path.XXXXXX")
  rm -f "$pathfile"
  "$TG_HOST_TOOLS_DIR/$tool" --path-file "$pathfile" "$@" >"$pathfile.out" 2>&1 &
  TOOL_PID=$!
  TG_PIDS+=("$TOOL_PID")
  for _ in $(seq 100); do
    [ -s "$pathfile" ] && break
    kill -0 "$TOOL_PID" 2>/dev/null || { cat "$pathfile.out" >&2; fail "$tool did not start"; }
    sleep 0.05
  done
  [ -s "$pathfile" ] || fail "$tool did not open its pty"
  TOOL_PATH=$(head -n1 "$pathfile")
}

# start_peer ARGS: ptypeer (e.g. --map-com 2 --log FILE); PEER_PID, PEER_PATH.
start_peer() {
  start_tool ptypeer "$@"
  PEER_PID=$TOOL_PID PEER_PATH=$TOOL_PATH
}

# start_regsim ARGS: the register simulator (e.g. --mode dump --map-com 2);
# REGSIM_PID, REGSIM_PATH.
start_regsim() {
  start_tool regsim "$@"
  REGSIM_PID=$TOOL_PID REGSIM_PATH=$TOOL_PATH
}

# stop_tool PID: ends a peer or simulator (SIGTERM: it unmaps its COM port and writes
# its log and stats) and waits for it.
stop_tool() {
  stop_pid "$1"
  local kept=() pid
  for pid in "${TG_PIDS[@]}"; do [ "$pid" = "$1" ] || kept+=("$pid"); done
  TG_PIDS=("${kept[@]}")
}

# line_events LOG: what a peer's --log saw other than bytes, one event after another:
# "open;settings 115200 8 N 1;close;".
line_events() { sed -E 's/^[0-9]+ //' "$1" | grep -v '^rx ' | tr '\n' ';'; }

# wait_for_file_line FILE PATTERN [SECONDS]: until a line of FILE matches PATTERN (ERE).
wait_for_file_line() {
  local file=$1 pattern=$2 secs=${3:-10}
  for _ in $(seq $((secs * 20))); do
    grep -qE "$pattern" "$file" 2>/dev/null && return 0
    sleep 0.05
  done
  fail "no line matching '$pattern' in $file"
}

# wait_for_line_count FILE PATTERN N [SECONDS]: until N lines of FILE match PATTERN.
wait_for_line_count() {
  local file=$1 pattern=$2 want=$3 secs=${4:-10} have=0
  for _ in $(seq $((secs * 20))); do
    have=$(grep -cE "$pattern" "$file" 2>/dev/null) || true
    [ "${have:-0}" -ge "$want" ] && return 0
    sleep 0.05
  done
  fail "$have lines matching '$pattern' in $file, expected $want"
}

# cpu_ticks PID: user + system time of the whole process so far, in clock ticks (0 for
# no PID). The fields are counted after the command's name, which may hold spaces.
cpu_ticks() {
  awk '{ sub(/^.*\) /, ""); print $12 + $13 }' "/proc/${1:-none}/stat" 2>/dev/null || echo 0
}

cpu_ms() { echo $(($(cpu_ticks "$1") * 1000 / $(getconf CLK_TCK))); }

# --- the rows the program shows (UTF-8, as the list and stdout show them) ----------------

ROW_PLEASE_WAIT="ΠΑΡΑΚΑΛΩ ΠΕΡΙΜΕΝΕΤΕ......"
ROW_COMPLETED="Η  ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΟΛΟΚΛΗΡΩΘΗΚΕ ΕΠΙΤΥΧΩΣ"
ROWS_NO_ANSWER=$(printf '%s\n' "-----------------------------------------------------" \
  "H ΗΤΜ ΔΕΝ ΕΙΝΑΙ ΣΕ ΛΕΙΤΟΥΡΓΙΑ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' " \
  "ΘΕΣΤΕ ΤΗΝ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ")
ROWS_BROKEN=$(printf '%s\n' "Η ΗΤΜ ΑΠΟΣΥΝΔΕΘΗΚΕ....." \
  "Η ΔΙΑΔΙΚΑΣΙΑ ΜΕΤΑΦΟΡΑΣ ΔΕΔΟΜΕΝΩΝ ΔΕΝ ΟΛΟΚΛΗΡΩΘΗΚΕ" \
  "ΘΕΣΤΕ ΤΗ ΗΤΜ ΣΕ ΑΠΟΣΤΟΛΗ ΔΕΔΟΜΕΝΩΝ 'ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ' ΠΡΟΣΠΑΘΗΣΤΕ ΞΑΝΑ  ")
ROW_DUMP_STOPPED="Read Fiscal Memory stopped: interrupted"
ROW_LOG_STOPPED="LOG stopped: interrupted"

# The last of several rows: the one to wait for before checking them all.
last_row() { printf '%s\n' "${1##*$'\n'}"; }

# The rows of Connect and Disconnect, naming the port (COM2, /dev/pts/3).
opened_row() { echo "Opened port $1, ${2:-115200}, Parity NONE, Data 8, Stop 1"; }
closed_row() { echo "Closed port $1"; }

# --- what the files must hold ---------------------------------------------------------

# sent_dump LOG OUT: the dump bytes as the simulator sent them: every byte after the
# program's STX, up to the ETX.
sent_dump() {
  perl -ne 'BEGIN { binmode STDOUT } if (/ rx 02$/) { $on = 1; next }
    if ($on && / tx ([0-9A-Fa-f]{2})$/) { exit if hex($1) == 3; print chr hex $1 }' "$1" >"$2"
}

# expected_fm_files SENT OUT1 OUT2: the complete lines of SENT as FMout1.txt and
# FMout2.txt hold them: each LF written as CR LF, in the second the capitals moved
# (fm2_of).
expected_fm_files() {
  perl -0777 -pe 's/[^\n]*\z//; s/\n/\r\n/g' "$1" >"$2"
  fm2_of "$2" "$3"
}

# fm2_of FMOUT1 OUT: FMout2.txt beside FMout1.txt: the capitals Α..Ω (and 0xD2) moved
# from code page 1253 to 737.
fm2_of() { perl -pe 'tr/\xC1-\xD1\xD2-\xD9/\x80-\x90\x90-\x97/' "$1" >"$2"; }

# receipts_dump DUMP FMOUT1: a dump of 3000 receipt lines of about 30 bytes, Latin and
# Greek (UTF-8, regsim's --dump format), and FMout1.txt as it holds the whole of it.
receipts_dump() {
  perl -e 'for (1 .. 3000) {
    printf "%05d ΑΠΟΔΕΙΞΗ Ω%04d %9.2f EUR\n", $_, $_ % 9999, $_ * 1.25 }' >"$1"
  iconv -f UTF-8 -t CP1253 "$1" | sed 's/$/\r\r/' >"$2"
}

# expected_report LINES OUT: log.txt for the report LINES (UTF-8, LF): in 1253, each
# line ending in CR CR LF.
expected_report() { iconv -f UTF-8 -t CP1253 "$1" | sed 's/$/\r\r/' >"$2"; }

# file_rows FILE: the lines of a file the program wrote (log.txt, FMout1.txt: 1253,
# each line ending in CR CR LF) as its rows show them: UTF-8, each ending in LF alone.
file_rows() { iconv -f CP1253 -t UTF-8 "$1" | sed 's/\r\r$//'; }

# cp1253_rows FILE: the rows of the complete lines of FILE (bytes in 1253, lines
# ending in LF), as the program shows them: each line less its last two bytes (the
# CR LF), cut at a NUL and at 1024 bytes, in UTF-8. Encode's table for 1253 has no
# character for 17 of its bytes; Windows shows those as C1 controls and U+F8F9..U+F8FB.
cp1253_rows() {
  perl -MEncode -ne 'BEGIN { binmode STDOUT;
      %windows = (0xAA => 0xF8F9, 0xD2 => 0xF8FA, 0xFF => 0xF8FB);
      $windows{$_} = $_ for 0x81, 0x88, 0x8A, 0x8C .. 0x90, 0x98, 0x9A, 0x9C .. 0x9F }
    next unless /\n\z/; chomp; chop if length; s/\0.*//s; $_ = substr($_, 0, 1024);
    print encode("UTF-8", join "", map { exists $windows{ord $_} ? chr $windows{ord $_} : decode("cp1253", $_) }
      split //), "\n"' "$1"
}

# --- checks -------------------------------------------------------------------------------

# expect_eq WHAT ACTUAL EXPECTED
expect_eq() {
  [ "$2" == "$3" ] && return 0
  log "$1 differs"
  diff <(printf '%s\n' "$3") <(printf '%s\n' "$2") | sed 's/^/  /' >&2 || true
  fail "$1: expected '$3', got '$2'"
}

# expect_line TEXT LINE: TEXT (several lines) has a line that reads LINE exactly.
expect_line() {
  grep -qxF -- "$2" <<<"$1" && return 0
  printf '%s\n' "$1" | sed 's/^/  | /' >&2
  fail "no line '$2'"
}

# expect_contains TEXT PART: TEXT has PART somewhere.
expect_contains() {
  grep -qF -- "$2" <<<"$1" && return 0
  printf '%s\n' "$1" | sed 's/^/  | /' >&2
  fail "no '$2' in the text above"
}

# expect_file_bytes FILE EXPECTED_FILE: byte for byte.
expect_file_bytes() {
  cmp -s "$1" "$2" && return 0
  cmp "$1" "$2" >&2 || true
  diff <(od -An -c "$2") <(od -An -c "$1") | head -n 20 >&2 || true
  fail "$1 differs from $2"
}

# expect_empty_files FILE...: each there, and empty: a job that received nothing.
expect_empty_files() {
  local f
  for f; do [ -f "$f" ] && [ ! -s "$f" ] || fail "$f is not there and empty"; done
}

# expect_start_of FILE WHOLE: FILE is a non-empty run of complete lines (each ending in
# CR CR LF) from the start of WHOLE, and shorter: what a stopped job leaves.
expect_start_of() {
  local size
  size=$(stat -c %s "$1")
  [ "$size" -gt 0 ] || fail "$1 is empty"
  [ "$size" -lt "$(stat -c %s "$2")" ] || fail "$1 holds the whole of $2"
  cmp -s -n "$size" "$1" "$2" || fail "$1 is not the start of $2"
  [ "$(tail -c 3 "$1" | od -An -tx1 | tr -d ' \n')" = 0d0d0a ] || fail "$1 ends inside a line"
}

# expect_exit RUN CODE [SECONDS]: the program's run RUN ends within SECONDS (default
# TG_EXIT_WAIT_S) with the exit status CODE. The sourcing lib says how a run ends
# (await_run RUN SECONDS sets RUN_STATUS, or fails when the run is still going) and
# what it showed (show_run RUN).
expect_exit() {
  local run=$1 want=$2
  await_run "$run" "${3:-$TG_EXIT_WAIT_S}"
  [ "$RUN_STATUS" -eq "$want" ] && return 0
  show_run "$run"
  fail "run '$run' ended with $RUN_STATUS, expected $want"
}
