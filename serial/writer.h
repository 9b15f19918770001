#pragma once
#include <cstdint>

#include "winapi.h"

// Set by the image transfer before each chunk; cleared by WriterGeneric when a
// write transferred its whole count.
extern std::int32_t gWriteBusy;

// Sends `count` bytes with one overlapped write and returns when it has ended.
// Does not return when the port fails.
void WriterGeneric(LPCVOID buffer, std::int32_t count);
