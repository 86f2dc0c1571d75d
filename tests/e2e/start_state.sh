#!/usr/bin/env bash
# What the operator sees right after start, under a Greek and an English locale:
# the program shows its Greek texts itself, so both must read the same. Controls in
# template order, with their ids, classes, enabled state and texts; the entries of
# both boxes; nothing in the list; X on the empty list changes nothing; typing into
# the C.F boxes and choosing other entries changes nothing until Connect.
source "$(dirname "$0")/lib.sh"

expected_state=$(dialog_state disconnected 0 "1 COM2" "4 115200")

for locale in el_GR.UTF-8 en_US.UTF-8; do
  log "under LANG=$locale"
  LANG=$locale start_program
  expect_eq "state at start ($locale)" "$(drive state)" "$expected_state"
  expect_eq "port box entries" "$(drive items "$ID_PORT" | tr '\n' ' ')" \
    "COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8 COM9 COM10 COM11 COM12 "
  expect_eq "speed box entries" "$(drive items "$ID_SPEED" | tr '\n' ' ')" \
    "9600 19200 38400 57600 115200 "
  expect_eq "rows at start" "$(drive rows)" ""

  # X on an empty list; another port and speed chosen without Connect: no row, no change.
  drive click "$ID_CLEAR"
  drive select "$ID_PORT" 2
  drive select "$ID_SPEED" 0
  drive select "$ID_PORT" 1
  drive select "$ID_SPEED" 4
  expect_eq "state after X and choosing ($locale)" "$(drive state)" "$expected_state"

  press_exit
done
pass
