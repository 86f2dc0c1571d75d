// `Tallyglass ports`: the COM ports the system has, one a line in port order, with
// the name Windows gives the device where it gives one (SetupAPI's Ports class, as
// the Device Manager shows it), and marked when it cannot be opened now. Finding
// that out opens the port for a moment, which raises DTR and RTS on its line.
#pragma once

// Returns how many ports were listed.
int ListComPorts();
