#!/usr/bin/env bash
# Exit and the caption's close box both end the program, with result 0.
source "$(dirname "$0")/lib.sh"

start_program
drive click "$ID_EXIT"
expect_exit 0

start_program
drive close
expect_exit 0
pass
