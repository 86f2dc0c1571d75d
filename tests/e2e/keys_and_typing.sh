#!/usr/bin/env bash
# The keyboard: Enter, Escape and Tab press no button, close nothing and change
# nothing; text typed into the C.F boxes changes nothing the program does; text typed
# into the speed box leaves it without a selected entry, which Connect refuses as a
# failed open without touching the line.
source "$(dirname "$0")/lib.sh"

peer_log=$TG_WORK/peer.log
start_peer --map-com 2 --log "$peer_log"
LANG=el_GR.UTF-8 start_program
start=$(dialog_state disconnected 0 "1 COM2" "4 115200")

# The dialog gives its first control the focus once Wine has activated the window,
# which on a busy machine comes a moment after the window is shown.
focus=none
for _ in $(seq 100); do
  focus=$(drive focus)
  [ "$focus" != none ] && break
  sleep 0.1
done
for id in "$ID_CONNECT" "$ID_EXIT" "$ID_CLEAR" "$ID_LIST" "$ID_PORT" "$ID_SPEED"; do
  for vk in 13 27 9; do drive key "$id" "$vk"; done
done
expect_eq "state after Enter, Escape, Tab" "$(drive state)" "$start"
expect_eq "focus after Enter, Escape, Tab" "$(drive focus)" "$focus"

drive type "$ID_CF16" "ΑΒΓ 123"
drive type "$ID_CF11" "xyz"
expect_eq "state after typing" "$(drive state)" \
  "$(dialog_state disconnected 0 "1 COM2" "4 115200" "ΑΒΓ 123" xyz)"
connect_port
disconnect_port

drive type "$ID_SPEED" "300"
expect_line "$(drive state)" "1034 ComboBox enabled visible sel=-1 "
drive click "$ID_CONNECT"
expect_eq "message box" "$(drive msgbox)" " Error 
Cannot open port COM2..."
drive wait-row "Failed opening COM2 port..." >/dev/null
expect_eq "line events" "$(line_events "$peer_log")" "open;settings 115200 8 N 1;close;"

press_exit
pass
