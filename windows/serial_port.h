// What the Windows serial layer offers beyond core/seams/serial_port.h.
#pragma once

// The system announced that the device of `port` was removed (WM_DEVICECHANGE): the
// port is lost now, as if a call on it had failed so. Nothing happens to a port that
// is not open.
void MarkPortLost(int port);
