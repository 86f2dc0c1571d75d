// Connect/Disconnect (button 1007): the only place a serial port is opened.
#pragma once
#include <cstdint>

constexpr int kSpeedCount = 5;
// Line speeds in bits per second, in the order of the speed box's entries.
extern const uint32_t SpeedTable[kSpeedCount];

// Opens the port and speed chosen in the dialog, or closes the open port, and
// switches the dialog's controls between the two states.
void ToggleConnection();
