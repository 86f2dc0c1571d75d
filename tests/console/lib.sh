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
# The helpers it shares with the Windows end-to-end tests (start_regsim, stop_tool, the
# rows, the expected files, expect_eq, expect_file_bytes, expect_exit, ...) are in
# tests/lib/common.sh.
#
# Typical use:
#   source "$(dirname "$0")/lib.sh"
#   start_regsim --mode dump --log "$TG_WORK/line.log"
#   start_tallyglass run dump --port "$REGSIM_PATH"
#   expect_exit run 0
#   expect_line "$(rows_of run)" "$(opened_row "$REGSIM_PATH")"
#   pass
set -eEuo pipefail

: "${TG_SOURCE_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
: "${TG_HOST_TOOLS_DIR:=$TG_SOURCE_DIR/build/host/tools}"
: "${TG_TALLYGLASS:=$TG_SOURCE_DIR/build/host/tallyglass}"
# shellcheck source=../lib/common.sh
source "$TG_SOURCE_DIR/tests/lib/common.sh"

TG_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tg-console-$TG_TEST_NAME.XXXXXX")
declare -A TG_PROGRAM    # run name -> pid of a tallyglass not yet waited for
TG_EXIT_WAIT_S=30        # expect_exit's default

cleanup() {
  local status=$?
  set +e
  local name
  for name in "${!TG_PROGRAM[@]}"; do
    [ "$status" -ne 0 ] && show_run "$name"
    kill -KILL "${TG_PROGRAM[$name]}" 2>/dev/null
  done
  stop_tools
  end_work "$status"
  exit "$status"
}
trap cleanup EXIT

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
  { tail -n 5 "$TG_WORK/$1/stdout.txt"; cat "$TG_WORK/$1/stderr.txt"; } 2>/dev/null | sed 's/^/  | /' >&2 || true
}

# await_run NAME SECONDS: the run NAME ends (see expect_exit).
await_run() {
  local pid=${TG_PROGRAM[$1]}
  for _ in $(seq $(($2 * 20))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null && fail "run '$1' did not end within $2 s"
  RUN_STATUS=0
  wait "$pid" || RUN_STATUS=$?
  unset "TG_PROGRAM[$1]"
}

# expect_rows NAME PORT ROWS...: the run's rows are Connect's on PORT, ROWS, then
# Disconnect's.
expect_rows() {
  local name=$1 port=$2
  shift 2
  expect_eq "rows of $name" "$(rows_of "$name")" "$(printf '%s\n' "$(opened_row "$port")" "$@" "$(closed_row "$port")")"
}

# expect_log_stopped NAME PORT ROW: LOG's run NAME on PORT stopped with ROW: its last
# rows are ROW and Disconnect's, and those before them after Connect's (REPORT) are
# the lines of its log.txt.
expect_log_stopped() {
  local rows
  rows=$(rows_of "$1")
  expect_eq "last rows of $1" "$(tail -n 2 <<<"$rows")" "$(printf '%s\n' "$3" "$(closed_row "$2")")"
  REPORT=$(sed -n '2,$p' <<<"$rows" | head -n -2)
  expect_eq "log.txt of $1" "$(file_rows "$(file_of "$1" log.txt)")" "$REPORT"
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

cd "$TG_WORK"
