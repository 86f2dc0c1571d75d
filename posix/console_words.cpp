// The Linux twin's words in the shared usage and help (console/console_text.h).
#include "console/console_text.h"
#include "posix/port_device.h"

const ConsoleWordSet ConsoleWords = {
    "tallyglass",
    "DEVICE",
    kDevicePathChars,
    "the device path is too long",
    "  ports   Lists the serial devices present: /dev/ttyS* with a UART behind them,\n"
    "          /dev/ttyUSB*, /dev/ttyACM*, each with its /dev/serial/by-id names.\n",
    "  -p, --port DEVICE  the serial device, e.g. /dev/ttyUSB0 or a /dev/serial/by-id name\n",
    "'sha256sum -c SHA256SUMS' in it checks the files.",
    "its list goes to stdout, in UTF-8; while a job runs, a status line goes to stderr\n"
    "when that is a terminal. The device is held exclusively (flock and TIOCEXCL).\n"
    "Opening it needs membership of its group (usually 'dialout').\n",
    "Ctrl+C, SIGTERM or SIGHUP stops a job as Disconnect does: the files are closed\n"
    "holding what was received, a row says it stopped. A second Ctrl+C ends the program\n"
    "at once.\n",
    "signal handlers",
    "missing, no permission, in use, not a serial device",
    "  128+N  stopped by signal N: 130 Ctrl+C (SIGINT), 143 SIGTERM, 129 SIGHUP\n",
};
