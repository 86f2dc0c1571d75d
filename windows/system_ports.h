// The standard list of the serial ports present (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM),
// read by the port box and by the console's `ports`. Windows keeps it up to date as
// devices come and go; Wine's mount manager fills it once, when the Wine server
// starts, from HKLM\Software\Wine\Ports and the /dev/ttyS*, ttyUSB*, ttyACM* it
// finds (a dosdevices/comN link made later is not listed).
#pragma once
#include "core/program/port_names.h"

void ReadSystemPorts(SystemPorts& ports);
