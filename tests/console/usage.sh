#!/usr/bin/env bash
# The command line: --help (the jobs, the options, every exit status), usage errors
# with exit status 2 and nothing sent anywhere, and `tallyglass ports` on a stand-in
# for a machine with adapters plugged in (TG_PORTS_ROOT: its dev/ and sys/).
source "$(dirname "$0")/lib.sh"

help=$("$TG_TALLYGLASS" --help)
for text in "usage: tallyglass dump --port DEVICE [--speed N]" "tallyglass ports" "-s, --speed N" \
  "  3    the port cannot be opened" "  7    an output file cannot be created" "130 Ctrl+C (SIGINT)" \
  "[--wait-port SECONDS]" "  9    the line was lost"; do
  expect_contains "$help" "$text"
done
expect_eq "dump --help" "$("$TG_TALLYGLASS" dump --help)" "$help"

# usage_error TEXT ARGS: exit status 2, TEXT and the usage on stderr, nothing on stdout.
usage_error() {
  local text=$1 status=0 out
  shift
  out=$("$TG_TALLYGLASS" "$@" 2>"$TG_WORK/usage.err") || status=$?
  [ "$status" = 2 ] || fail "tallyglass $*: exit status $status, expected 2"
  expect_eq "stdout of tallyglass $*" "$out" ""
  expect_contains "$(cat "$TG_WORK/usage.err")" "tallyglass: $text"
  expect_contains "$(cat "$TG_WORK/usage.err")" "usage: tallyglass dump"
}
usage_error "no job given"
usage_error "unknown job 'read'" read --port /dev/ttyUSB0
usage_error "no --port given" dump
usage_error "no --port given" log --speed 9600
usage_error "speed '14400' is not offered" dump --port /dev/ttyUSB0 --speed 14400
usage_error "speed '9600x' is not offered" log -p /dev/ttyUSB0 -s 9600x
usage_error "--port needs a value" dump --port
usage_error "--wait-port '-1' is not a number of seconds from 0 to 86400" log -p /dev/ttyUSB0 --wait-port -1
usage_error "unknown option '--parity'" dump --port /dev/ttyUSB0 --parity E
usage_error "unknown option '-x'" log -xp /dev/ttyUSB0
usage_error "unexpected argument 'now'" dump --port /dev/ttyUSB0 now
usage_error "unexpected argument 'all'" ports all

# ports: ttyS1 has no UART behind it, ttyS0 has; by-id names beside their device;
# other tty devices are none of the serial kinds.
root=$TG_WORK/machine
mkdir -p "$root/dev/serial/by-id" "$root/sys/class/tty/ttyS0" "$root/sys/class/tty/ttyS1"
touch "$root"/dev/{ttyS0,ttyS1,ttyUSB0,ttyUSB2,ttyUSB10,ttyACM0,tty0,tty,ttyprintk,ttyUSB}
echo 4 >"$root/sys/class/tty/ttyS0/type"
echo 0 >"$root/sys/class/tty/ttyS1/type"
ln -s ../../ttyUSB0 "$root/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
ln -s ../../ttyACM0 "$root/dev/serial/by-id/usb-Prolific_Cash_Register-if00"
ln -s ../../ttyACM0 "$root/dev/serial/by-id/usb-Prolific_Cash_Register-if01"
expected=$(printf '%s\n' \
  "/dev/ttyACM0  /dev/serial/by-id/usb-Prolific_Cash_Register-if00  /dev/serial/by-id/usb-Prolific_Cash_Register-if01" \
  "/dev/ttyS0" \
  "/dev/ttyUSB0  /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" \
  "/dev/ttyUSB2" \
  "/dev/ttyUSB10")
expect_eq "ports" "$(TG_PORTS_ROOT=$root "$TG_TALLYGLASS" ports)" "$expected"
# A user who may not open a device is told which group may.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && getent group dialout >/dev/null; then
  chmod 755 "$TG_WORK"
  chgrp dialout "$root/dev/ttyUSB2"
  chmod 660 "$root/dev/ttyUSB2"
  listed=$(TG_PORTS_ROOT=$root setpriv --reuid=nobody --regid=nogroup --clear-groups "$TG_TALLYGLASS" ports)
  expect_line "$listed" "/dev/ttyUSB2  (no access: group 'dialout')"
fi
empty=$TG_WORK/bare
mkdir -p "$empty/dev"
out=$(TG_PORTS_ROOT=$empty "$TG_TALLYGLASS" ports 2>"$TG_WORK/ports.err")
expect_eq "ports of a machine without any" "$out" ""
expect_contains "$(cat "$TG_WORK/ports.err")" "no serial devices found"
"$TG_TALLYGLASS" ports >/dev/null 2>&1 || fail "tallyglass ports failed on this machine"
pass
