// The port box's entries beyond COM12, from names as the system lists them: which
// names count as ports, the order and uniqueness of what is offered, and which port
// the box selects once its entries have changed.
#include "core/program/port_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

int Port(const char* name) { return PortOfName(name, static_cast<int>(std::strlen(name))); }

TEST(PortNames, OnlyComWithASlotNumberIsAPort) {
  EXPECT_EQ(Port("COM1"), 1);
  EXPECT_EQ(Port("COM15"), 15);
  EXPECT_EQ(Port("COM200"), 200);
  EXPECT_EQ(Port("COM256"), 256);
  for (const char* name : {"", "COM", "COM0", "COM257", "COM999", "COM015", "COM1000", "COM+5",
                           "COM-1", "COM 5", "COM5 ", "com5", "LPT1", "COMX", "COM5\\", "XCOM5"})
    EXPECT_EQ(Port(name), 0) << '"' << name << '"';
  // Only `length` characters count: the rest of a longer text, or a missing NUL.
  EXPECT_EQ(PortOfName("COM15junk", 5), 15);
  EXPECT_EQ(PortOfName("COM15", 4), 1);
  EXPECT_EQ(PortOfName("COM15", -3), 0);
  const char noNul[5] = {'C', 'O', 'M', '1', '9'};
  EXPECT_EQ(PortOfName(noNul, 5), 19);
}

std::vector<int> Offered(const SystemPorts& ports) {
  std::vector<int> offered;
  for (int port = NextOfferedPort(ports, 0); port != 0; port = NextOfferedPort(ports, port))
    offered.push_back(port);
  return offered;
}

TEST(PortNames, PortsAboveTheFixedOnesAreOfferedOnceInAscendingOrder) {
  SystemPorts ports;
  ClearSystemPorts(ports);
  EXPECT_TRUE(Offered(ports).empty());
  for (const char* name : {"COM200", "COM15", "COM3", "COM15", "COM256", "COM13", "COM12", "COM0",
                           "COM300", "garbage"})
    NoteSystemPort(ports, name, static_cast<int>(std::strlen(name)));
  EXPECT_EQ(Offered(ports), (std::vector<int>{13, 15, 200, 256}));
  ClearSystemPorts(ports);
  EXPECT_TRUE(Offered(ports).empty());
}

TEST(PortNames, SelectionStaysWhileOfferedElseFallsBackToTheDefault) {
  SystemPorts ports;
  ClearSystemPorts(ports);
  NoteSystemPort(ports, "COM15", 5);
  EXPECT_EQ(PortToSelect(15, ports), 15);
  EXPECT_EQ(PortToSelect(1, ports), 1);    // the fixed ports are always there
  EXPECT_EQ(PortToSelect(12, ports), 12);
  EXPECT_EQ(PortToSelect(16, ports), kDefaultPort);  // gone from the system's list
  for (int chosen : {0, -1, 257, 100000}) EXPECT_EQ(PortToSelect(chosen, ports), kDefaultPort) << chosen;
  EXPECT_EQ(kDefaultPort, 2);
}

}  // namespace
