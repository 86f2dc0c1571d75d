// Read Fiscal Memory: the register's dump, line by line, into FMout1.txt (as
// received) and FMout2.txt (Greek capitals moved from code page 1253 to 737).
#pragma once
#include <cstdint>

void ReadFiscalMemory();
// The capital-letter conversion 1253 -> 737 of one byte.
uint8_t ConvertCapital(uint8_t byte);
