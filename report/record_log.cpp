#include "report/record_log.h"

void BuildRecordLog() {}
