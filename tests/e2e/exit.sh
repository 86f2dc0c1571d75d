#!/usr/bin/env bash
# Exit and the caption's close box both end the program, with result 0.
source "$(dirname "$0")/lib.sh"

start_program
press_exit

start_program
drive close
expect_exit program 0
pass
