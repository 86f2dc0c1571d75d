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
