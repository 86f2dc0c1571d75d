#include "core/program/line_errors.h"

#include "core/program/connection.h"
#include "core/program/state.h"
#include "core/seams/shell.h"

namespace {

LineErrorCounts Seen;   // since the job started, up to the last look
LineErrorCounts Since;  // the port's own counts at the last look
bool Counting = false;

uint32_t Growth(uint32_t now, uint32_t before) { return now >= before ? now - before : now; }

}  // namespace

void StartLineErrors() {
  Seen = {};
  Counting = PortIsOpen != 0;
  if (Counting) ReadLineErrors(SelectedPort, Since);
}

void GatherLineErrors() {
  if (!Counting || PortIsOpen == 0) return;
  LineErrorCounts now = {};
  ReadLineErrors(SelectedPort, now);
  Seen.framing += Growth(now.framing, Since.framing);
  Seen.parity += Growth(now.parity, Since.parity);
  Seen.overrun += Growth(now.overrun, Since.overrun);
  Seen.breaks += Growth(now.breaks, Since.breaks);
  Since = now;
}

void RestartLineErrors() {
  Since = {};
  Counting = true;
  ReadLineErrors(SelectedPort, Since);
}

LineErrorCounts ShowLineErrors() {
  GatherLineErrors();
  Counting = false;
  if (Seen.framing == 0 && Seen.parity == 0 && Seen.overrun == 0 && Seen.breaks == 0) return Seen;
  ListPrintf("Line errors during the job: %lu framing, %lu parity, %lu overrun, %lu breaks; check that the register"
             " sends at %lu",
             static_cast<unsigned long>(Seen.framing), static_cast<unsigned long>(Seen.parity),
             static_cast<unsigned long>(Seen.overrun), static_cast<unsigned long>(Seen.breaks),
             static_cast<unsigned long>(ConnectedSpeed()));
  return Seen;
}
