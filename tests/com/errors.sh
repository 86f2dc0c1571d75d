#!/usr/bin/env bash
# Tallyglass.com's ends other than success, each with exit status and a clear note on
# stderr and nothing sent: usage errors (2: a port beyond COM256, no port, a job it
# does not know), a port the system does not have (3: COM99), and a register that does
# not answer (4). --help is the Linux program's help apart from the platform's words.
source "$(dirname "$0")/lib.sh"

# run_status NAME STATUS ARGS: runs Tallyglass.com ARGS to its end, which is STATUS.
run_status() {
  local name=$1 status=$2
  shift 2
  start_tallyglass "$name" "$@"
  expect_exit "$name" "$status" 60
}

start_regsim --mode dump --fault silent --map-com 2 --log "$TG_WORK/silent.log"
start_tallyglass silent dump --port COM2
run_status range 2 dump --port COM257
run_status noport 2 log --speed 9600
run_status job 2 read --port COM2
run_status missing 3 log --port COM99
run_status help 0 --help
expect_exit silent 4 60

for run in range noport job; do expect_eq "stdout of $run" "$(rows_of "$run")" ""; done
expect_eq "stdout of missing" "$(rows_of missing | tr -d '\r')" "Failed opening COM99 port..."
expect_contains "$(stderr_of range)" "Tallyglass: port 'COM257' is not one of COM1 to COM256"
expect_contains "$(stderr_of noport)" "Tallyglass: no --port given"
expect_contains "$(stderr_of job)" "Tallyglass: unknown job 'read'"
expect_contains "$(stderr_of job)" "usage: Tallyglass dump --port PORT [--speed N]"
expect_contains "$(stderr_of missing)" "Tallyglass: cannot open COM99: the system has no such port"
expect_contains "$(stderr_of silent)" "Tallyglass: no answer from the register: is it in its mode for sending the fiscal memory to a PC?"
expect_eq "what went to the silent register" "$(grep -c ' rx ' "$TG_WORK/silent.log")" 1

# The help: the Linux program's, less the lines that name the platform.
platform='tallyglass|Tallyglass|DEVICE|PORT|ports |/dev/|COM5|sum|stdout|stderr|terminal|console|dialout|held|Ctrl|Disconnect|holding|at once|set itself up|cannot be opened|128|130|143'
expect_eq "the help's shared lines" "$(rows_of help | tr -d '\r' | grep -vE "$platform")" \
  "$("$TG_SOURCE_DIR/build/host/tallyglass" --help | grep -vE "$platform")"
pass
