#pragma once
#include "winapi.h"

// The reader thread: keeps one read of up to 100 bytes outstanding and
// delivers what arrives into gRxBuffer; polls the line after 10 s of quiet.
DWORD WINAPI ReaderAndStatusProc(LPVOID parameter);
void CheckModemStatus();
void CheckCommErrors();
