// The Windows twin's words in the shared usage and help (console/console_text.h).
#include "console/console_text.h"

const ConsoleWordSet ConsoleWords = {
    "Tallyglass",
    "PORT",
    16,
    "the port is not one of COM1 to COM256",
    "  ports   Lists the COM ports the system has, with their names where Windows gives\n"
    "          them (\"USB Serial Port (COM5)\"), and marks those in use now.\n",
    "  -p, --port PORT    the COM port: COM5, 5 or \\\\.\\COM5 (COM1 to COM256)\n",
    "'certutil -hashfile FILE SHA256' shows a file's sum.",
    "its list goes to stdout: to a console window as it shows there, to a file or a\n"
    "pipe in UTF-8. While a job runs, a status line goes to stderr when that is a\n"
    "console window. The port is held exclusively while the job runs.\n",
    "Ctrl+C, Ctrl+Break or closing the console window stops a job as Disconnect does:\n"
    "the files are closed holding what was received, a row says it stopped. A second\n"
    "Ctrl+C ends the program at once.\n",
    "the Ctrl+C handler",
    "missing, in use, not a serial port",
    "  130  stopped by Ctrl+C (131 Ctrl+Break, 129 the console window closed,\n"
    "       143 logoff or shutdown)\n",
};
