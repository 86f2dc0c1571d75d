#include "core/program/port_names.h"

// "COM256" is the longest name taken; anything longer is no port name.
constexpr int kPortNameMaxChars = 6;
constexpr int kPrefixChars = 3;

int PortOfName(const char* name, int length) {
  if (length <= kPrefixChars || length > kPortNameMaxChars) return 0;
  if (name[0] != 'C' || name[1] != 'O' || name[2] != 'M' || name[kPrefixChars] == '0') return 0;
  int port = 0;
  for (int i = kPrefixChars; i < length; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    port = port * 10 + (name[i] - '0');  // three digits at most: no overflow
  }
  return port <= kPortCount ? port : 0;
}

void ClearSystemPorts(SystemPorts& ports) {
  for (bool& listed : ports.listed) listed = false;
}

void NoteSystemPort(SystemPorts& ports, const char* name, int length) {
  const int port = PortOfName(name, length);
  if (port != 0) ports.listed[port] = true;
}

int NextOfferedPort(const SystemPorts& ports, int after) {
  for (int port = after < kFixedPortCount ? kFixedPortCount + 1 : after + 1; port <= kPortCount; ++port)
    if (ports.listed[port]) return port;
  return 0;
}

int PortToSelect(int chosen, const SystemPorts& ports) {
  if (chosen >= 1 && chosen <= kFixedPortCount) return chosen;
  if (chosen > kFixedPortCount && chosen <= kPortCount && ports.listed[chosen]) return chosen;
  return kDefaultPort;
}
