// `tallyglass ports`: the serial devices present, without opening any of them
// (an open raises DTR and RTS on the line).
#pragma once
#include <cstdio>

// One line a device: /dev/ttyS* with a UART behind it, /dev/ttyUSB*, /dev/ttyACM*,
// each followed by its /dev/serial/by-id names and, when this user may not open it,
// the group that may. Returns how many devices were listed.
int ListSerialDevices(FILE* out);
