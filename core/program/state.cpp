#include "core/program/state.h"

int SelectedPort = 1;
uint8_t PortIsOpen = 0;
uint8_t QuitFlag = 0;
int BusyFlag = 0;
uint8_t OperationRunning = 0;
