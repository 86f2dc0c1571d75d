#include "dump/fiscal_dump.h"

void ReadFiscalMemory() {}
uint8_t ConvertCapital(uint8_t byte) { return byte; }
