// LOG: reads the register's record tables and writes the report log.txt.
#pragma once

// One complete run on SelectedPort: "g/", tables 0 to 2 into memory, then table 3
// record by record, one report line per reported record, to log.txt and the list;
// sets LastOperationResult. Returns at once while another operation (a dump) is running.
void BuildRecordLog();
