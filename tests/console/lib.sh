# Shared helpers of the console end-to-end tests: sourced by every tests/console/*.sh.
#
# A test runs the console program build/host/tallyglass, without Wine, in working
# directories of its own under a fresh $TG_WORK, against the register simulator
# (regsim) or the pty peer (ptypeer) on a pty, and checks what an operator or a script
# would see: the rows on stdout, stderr, the files byte for byte, the line, the exit
# status. Everything the test starts is ended by the EXIT trap, also when it fails.
#
# Environment (set by CTest): TG_TALLYGLASS, TG_HOST_TOOLS_DIR, TG_SOURCE_DIR.
# Optional: TG_KEEP_WORK=1 keeps the working directory of a passing test (a failing
# test always keeps it and says where).
#
# The helpers it shares with the Windows end-to-end tests (start_tool, start_regsim,
# stop_tool, expect_eq, expect_line, expect_file_bytes, wait_for_file_line, ...) are
# in tests/lib/common.sh.
#
# Typical use:
#   source "$(dirname "$0")/lib.sh"
#   start_regsim --mode dump --log "$TG_WORK/line.log"
#   start_tallyglass run dump --port "$REGSIM_PATH"
#   expect_exit run 0
#   expect_line "$(rows_of run)" "$(opened_row "$REGSIM_PATH")"
#   pass
set -euo pipefail

: "${TG_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TG_HOST_TOOLS_DIR:=$TG_SOURCE_DIR/build/host/tools}"
: "${TG_TALLYGLASS:=$TG_SOURCE_DIR/build/host/tallyglass}"
# shellcheck source=../lib/common.sh
source "$TG_SOURCE_DIR/tests/lib/common.sh"

TG_TEST_NAME=$(basename "$0" .sh)
TG_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tg-console-$TG_TEST_NAME.XXXXXX")
TG_PIDS=()               # background tools of this test
declare -A TG_PROGRAM    # run name -> pid of a tallyglass not yet waited for
TG_PASSED=0

# The rows of the register's messages, as stdout carries them (UTF-8).
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





cleanup() {
  local status=$?
  set +e
  local name pid
  for name in "${!TG_PROGRAM[@]}"; do
    [ "$status" -ne 0 ] && show_run "$name"
    kill -KILL "${TG_PROGRAM[$name]}" 2>/dev/null
  done
  for pid in "${TG_PIDS[@]}"; do stop_pid "$pid"; done
  if [ "$status" -ne 0 ] || [ "$TG_PASSED" != 1 ]; then
    log "working directory kept: $TG_WORK"
  elif [ "${TG_KEEP_WORK:-0}" != 1 ]; then
    rm -rf "$TG_WORK"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the far end of the line --------------------------------------------------------




# --- the program ----------------------------------------------------------------------

# start_tallyglass NAME ARGS: runs tallyglass ARGS in the background in the working
# directory $TG_WORK/NAME, stdin empty, stdout and stderr to its stdout.txt and
# stderr.txt there. A script may run several side by side under different names.
# TG_RUN_AS="COMMAND ARGS" runs it through that command (e.g. setpriv as another user).
start_tallyglass() {
  local name=$1
  shift
  mkdir -p "$TG_WORK/$name"
  local -a as
  read -r -a as <<<"${TG_RUN_AS:-}"
  (cd "$TG_WORK/$name" && exec "${as[@]}" "$TG_TALLYGLASS" "$@" </dev/null >stdout.txt 2>stderr.txt) &
  TG_PROGRAM[$name]=$!
}

# The pid of a running tallyglass.
program_pid() { echo "${TG_PROGRAM[$1]}"; }

# What a run shows: its rows, its stderr; a file of its working directory.
rows_of() { cat "$TG_WORK/$1/stdout.txt"; }
stderr_of() { cat "$TG_WORK/$1/stderr.txt"; }
file_of() { echo "$TG_WORK/$1/$2"; }

show_run() {
  log "run '$1': last rows and stderr:"
  { tail -n 5 "$TG_WORK/$1/stdout.txt"; cat "$TG_WORK/$1/stderr.txt"; } 2>/dev/null | sed 's/^/  | /' >&2
}

# expect_exit NAME CODE [SECONDS]: the run ends within SECONDS (default 30) with CODE.
expect_exit() {
  local name=$1 want=$2 secs=${3:-30} pid=${TG_PROGRAM[$1]}
  for _ in $(seq $((secs * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "run '$name' did not end within $secs s"
  local status=0
  wait "$pid" || status=$?
  unset "TG_PROGRAM[$name]"
  [ "$status" -eq "$want" ] || { show_run "$name"; fail "run '$name' ended with $status, expected $want"; }
}

# wait_for_rows NAME N [SECONDS]: until the run has shown N rows.
wait_for_rows() {
  local have=0
  for _ in $(seq $((${3:-20} * 20))); do
    have=$(wc -l <"$TG_WORK/$1/stdout.txt" 2>/dev/null) || have=0
    [ "$have" -ge "$2" ] && return 0
    sleep 0.05
  done
  fail "run '$1' showed $have rows, expected $2"
}

# cpu_ms PID: the processor time the process has used so far, in milliseconds.
cpu_ms() {
  local fields
  fields=$(sed 's/^.*) //' "/proc/$1/stat")
  read -r -a f <<<"$fields"
  # After the command's name: utime and stime are the 12th and 13th fields.
  echo $(((f[11] + f[12]) * 1000 / $(getconf CLK_TCK)))
}

# The rows of Connect and Disconnect, naming the device.
opened_row() { echo "Opened port $1, ${2:-115200}, Parity NONE, Data 8, Stop 1"; }
closed_row() { echo "Closed port $1"; }

# --- the dump, from the simulator's log ----------------------------------------------------

# sent_dump LOG OUT: the dump bytes as the simulator sent them: every byte after the
# program's STX, up to the ETX.
sent_dump() {
  perl -ne 'BEGIN { binmode STDOUT } if (/ rx 02$/) { $on = 1; next }
    if ($on && / tx ([0-9A-Fa-f]{2})$/) { exit if hex($1) == 3; print chr hex $1 }' "$1" >"$2"
}

# expected_fm_files SENT OUT1 OUT2: the complete lines of SENT as FMout1.txt and
# FMout2.txt hold them: each LF written as CR LF, in the second the capitals Α..Ω
# (and 0xD2) moved to code page 737.
expected_fm_files() {
  perl -0777 -pe 's/[^\n]*\z//; s/\n/\r\n/g' "$1" >"$2"
  perl -0777 -pe 's/[^\n]*\z//; tr/\xC1-\xD1\xD2-\xD9/\x80-\x90\x90-\x97/; s/\n/\r\n/g' "$1" >"$3"
}

# cp1253_rows FILE: the rows of the complete lines of FILE (bytes in 1253, lines
# ending in LF), as stdout shows them: each line less its last two bytes (the CR LF),
# cut at a NUL and at 1024 bytes, in UTF-8. Encode's table for 1253 has no character
# for 17 of its bytes; Windows shows those as C1 controls and U+F8F9..U+F8FB.
cp1253_rows() {
  perl -MEncode -ne 'BEGIN { binmode STDOUT;
      %windows = (0xAA => 0xF8F9, 0xD2 => 0xF8FA, 0xFF => 0xF8FB);
      $windows{$_} = $_ for 0x81, 0x88, 0x8A, 0x8C .. 0x90, 0x98, 0x9A, 0x9C .. 0x9F }
    next unless /\n\z/; chomp; chop if length; s/\0.*//s; $_ = substr($_, 0, 1024);
    print encode("UTF-8", join "", map { exists $windows{ord $_} ? chr $windows{ord $_} : decode("cp1253", $_) }
      split //), "\n"' "$1"
}

# --- checks -------------------------------------------------------------------------------



# expect_contains TEXT PART: TEXT has PART somewhere.
expect_contains() {
  grep -qF -- "$2" <<<"$1" && return 0
  printf '%s\n' "$1" | sed 's/^/  | /' >&2
  fail "no '$2' in the text above"
}



cd "$TG_WORK"
