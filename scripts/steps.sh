# Sourced by the scripts and the test helpers: a set-up step that fails says which
# step it was, shows the last lines of its log and what to try. No script may end
# with a bare exit status and no word.

# step_failed STEP LOG HINT: the report of a failed step, on stderr.
step_failed() {
  local step=$1 log=$2 hint=$3
  {
    echo "FAILED: $step"
    if [ -n "$log" ] && [ -s "$log" ]; then
      echo "  last lines of $log:"
      tail -n 15 "$log" | sed 's/^/  | /'
    fi
    [ -n "$hint" ] && echo "  try: $hint"
  } >&2
}

# run_step STEP LOG HINT COMMAND...: runs COMMAND with its output in LOG; on failure
# reports the step and returns the command's status.
run_step() {
  local step=$1 log=$2 hint=$3 status=0
  shift 3
  mkdir -p "$(dirname "$log")"
  "$@" >"$log" 2>&1 || status=$?
  [ $status -eq 0 ] && return 0
  step_failed "$step (exit $status)" "$log" "$hint"
  return $status
}

# Under set -e, a command that fails outside run_step still names itself.
trap_unexpected_failure() {
  local script=$1
  # shellcheck disable=SC2064  # the script's name is fixed now, the command later
  trap "echo \"$script: stopped: '\$BASH_COMMAND' failed (exit \$?)\" >&2" ERR
}

# machine_runs_32bit: whether this machine's kernel runs 32-bit x86 programs. It
# runs the smallest such program (an ELF that only exits 0), so it needs no 32-bit
# library installed; where the kernel has no 32-bit support it fails with "Exec
# format error". It is written under build/, where the project's own programs run
# (a /tmp mounted noexec would answer no for another reason). TG_RUNS_32BIT=yes|no
# gives the answer instead (the set-up's test).
machine_runs_32bit() {
  case ${TG_RUNS_32BIT:-} in yes) return 0 ;; no) return 1 ;; esac
  local probe status=0
  mkdir -p "${TG_ROOT:-$PWD}/build"
  probe=$(mktemp "${TG_ROOT:-$PWD}/build/.probe32.XXXXXX") || return 1
  # ELF header, one loadable segment, then: mov eax,1; xor ebx,ebx; int 0x80 (exit 0).
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return $status
}
