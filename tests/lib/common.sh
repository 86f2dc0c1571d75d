# Helpers shared by the end-to-end tests of the Windows program (tests/e2e/lib.sh)
# and of the console program (tests/console/lib.sh): the test's messages and its
# end, the far end of the line (regsim, ptypeer on a pty) and the checks. Nothing
# here needs Wine or a display. The sourcing script sets TG_TEST_NAME, TG_WORK,
# TG_HOST_TOOLS_DIR, TG_PIDS (the background processes its EXIT trap ends) and
# TG_PASSED.

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

# expect_file_bytes FILE EXPECTED_FILE: byte for byte.
expect_file_bytes() {
  cmp -s "$1" "$2" && return 0
  cmp "$1" "$2" >&2 || true
  diff <(od -An -c "$2") <(od -An -c "$1") | head -n 20 >&2 || true
  fail "$1 differs from $2"
}
