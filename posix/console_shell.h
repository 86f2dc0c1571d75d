// The Linux console (console/console_output.h): rows in UTF-8 on stdout, notes and
// the status line on stderr.
#pragma once
#include "console/console_output.h"
