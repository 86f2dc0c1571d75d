// Connect/Disconnect (button 1007): the port box's port and the speed box's speed
// connected as core/program/connection.h does it, and the dialog's controls switched
// between the two states.
#pragma once

void ToggleConnection();
