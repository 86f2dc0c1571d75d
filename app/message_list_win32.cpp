// Placeholder until the message list lands.
#include "app/shell.h"

void PumpMessage() {}
int ListPrintf(const char*, ...) { return 0; }
void ClearMessageList() {}
void HoldListRedraw() {}
void ReleaseListRedraw() {}
