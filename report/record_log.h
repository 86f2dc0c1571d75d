// LOG: reads the register's record tables and writes the report log.txt.
#pragma once

void BuildRecordLog();
