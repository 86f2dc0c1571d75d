#include "console/console_text.h"

#include <cstdarg>
#include <cstdio>

#include "core/seams/shell.h"

namespace {

constexpr char kAbout[] =
    "\n"
    "Tallyglass on a console: the two jobs of the Windows program, over a serial line to\n"
    "a Greek electronic cash register (ΗΤΜ), with the same output files.\n"
    "\n"
    "  dump    Read Fiscal Memory. With the register in its mode for sending the fiscal\n"
    "          memory to a PC ('ΑΠΟΣΤΟΛΗ ΦΜ Η/Υ'), its dump goes line by line into\n"
    "          FMout1.txt (as received, code page 1253) and FMout2.txt (the Greek\n"
    "          capitals in code page 737).\n"
    "  log     LOG. With the register in its command mode, its record tables are read\n"
    "          and the report is written to log.txt.\n"
    "  verify  Checks run folders of the archive (or a whole archive, each run folder in\n"
    "          it): SHA256SUMS against every file, no file missing or added, and the\n"
    "          files against the bytes received (FMout1.txt and FMout2.txt from\n"
    "          FMraw.bin, log.csv from log.txt) and the manifest's counts, also for a\n"
    "          run that did not end. One row with the verdict per folder, then what\n"
    "          failed. Reads only.\n";

constexpr char kOptions[] =
    "  -s, --speed N      9600, 19200, 38400, 57600 or 115200 bit/s (default 115200);\n"
    "                     always 8 data bits, no parity, 1 stop bit, no flow control\n"
    "  --archive DIR      keep each run's files in a folder of its own under DIR\n"
    "                     (default: Tallyglass-archive in the working directory)\n"
    "  --no-archive       keep no archive\n"
    "  --wait-port SECONDS\n"
    "                     log: when the port's device goes away (a cable or an adapter\n"
    "                     pulled), wait this long for it to come back, then go on where\n"
    "                     the log stopped (default 60; 0: do not wait)\n"
    "  -h, --help         this text\n"
    "\n"
    "The files go to the working directory: FMout1.txt and FMout2.txt, or log.txt and\n"
    "log.csv (the report for a spreadsheet). Each run also keeps its files, the bytes\n"
    "received (FMraw.bin), a manifest.txt and their SHA256SUMS in its own folder of the\n"
    "archive, named by its start (2026-12-09_170503_dump); the folder is named on\n"
    "stderr at the end.";

constexpr char kStatuses[] =
    "  4    no answer from the register: dump, no ACK to its ENQ; log, no reply at all\n"
    "  5    dump: the transfer broke off, the register fell silent\n"
    "  6    log: the register stopped answering\n"
    "  7    an output file cannot be created in the working directory\n"
    "  8    an output file could not be written (a full disk)\n"
    "  9    the line was lost: the port's device went away (dump: at once; log: it did\n"
    "       not come back within --wait-port)\n";

constexpr char kVerifyStatuses[] =
    "  10   verify: a file changed, is missing or was added\n"
    "  11   verify: a run did not end (killed), its files agree up to where they stop\n"
    "       (verify gives 2 for a folder that is no run folder)\n";

// Appends to a text of kHelpChars, cutting what does not fit.
struct Text {
  char* buffer;
  int used;
};

void Append(Text& text, const char* format, ...) TG_PRINTF_LIKE(2, 3);
void Append(Text& text, const char* format, ...) {
  if (text.used >= kHelpChars - 1) return;
  va_list values;
  va_start(values, format);
  const int n = std::vsnprintf(text.buffer + text.used, static_cast<size_t>(kHelpChars - text.used), format, values);
  va_end(values);
  if (n > 0) text.used = n < kHelpChars - text.used ? text.used + n : kHelpChars - 1;
}

void AppendUsage(Text& text) {
  const char* program = ConsoleWords.program;
  const char* port = ConsoleWords.portWord;
  Append(text, "usage: %s dump --port %s [--speed N]\n", program, port);
  Append(text, "       %s log --port %s [--speed N] [--wait-port SECONDS]\n", program, port);
  Append(text, "       %s verify FOLDER...\n", program);
  Append(text, "       %s ports\n       %s --help\n", program, program);
}

}  // namespace

void FormatHelp(char* buffer) {
  const ConsoleWordSet& words = ConsoleWords;
  Text text{buffer, 0};
  buffer[0] = '\0';
  AppendUsage(text);
  Append(text, "%s%s\nOptions:\n%s%s", kAbout, words.portsJob, words.portOption, kOptions);
  Append(text, " %s Every row that the Windows program shows in\n%s\n%s\n", words.sumsCheck, words.output,
         words.stopping);
  Append(text, "Exit status:\n  0    done\n  1    the program could not set itself up (%s)\n", words.setup);
  Append(text, "  2    usage error\n  3    the port cannot be opened (%s)\n", words.portFailures);
  Append(text, "%s%s%s", kStatuses, kVerifyStatuses, words.stopStatuses);
  Append(text, "\nTallyglass is free software under the MIT licence (LICENSE).\n");
}

void FormatUsageError(char* buffer, const char* error) {
  Text text{buffer, 0};
  buffer[0] = '\0';
  Append(text, "%s: %s\n", ConsoleWords.program, error);
  AppendUsage(text);
  Append(text, "(%s --help tells more)\n", ConsoleWords.program);
}
