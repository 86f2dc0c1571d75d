// Connect/Disconnect (button 1007): the port box's port and the speed box's speed
// connected as core/program/connection.h does it, and the dialog's controls switched
// between the two states.
#pragma once

void ToggleConnection();
// The controls as the connection now is (a port lost and waited for shows as
// connected), after a job that may have lost or found the port.
void ShowConnectionState();
