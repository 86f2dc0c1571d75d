// The serial seam addresses its ports by slot number, as the dialog's COM1 to COM12;
// on the console a slot is bound to a device path before it is opened, and an open
// that fails says why, naming the failing call and the device.
#pragma once

// Longest device path taken, NUL included (PATH_MAX).
constexpr int kDevicePathChars = 4096;

// Binds slot `port` (1..kPortCount) to `device` for its next OpenPort. False when the
// slot is out of range, open, or the path too long.
bool BindPortDevice(int port, const char* device);

enum class PortFailure { kNone, kMissing, kPermission, kInUse, kNotATerminal, kSettings, kOther };
// The group that may open `device` (the device file's group; "dialout", the usual
// one, where that cannot be told), into `name` of `size` characters.
void DeviceGroup(const char* device, char* name, int size);

// Why the last OpenPort that failed did so, and the text to tell the operator.
PortFailure LastPortFailure();
const char* LastPortError();
