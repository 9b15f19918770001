#pragma once
// The firmware image the transfer sends: the program's resource "BIN" 134,
// unless batch mode was given another (upgrade_report.h).
#include "winapi.h"

inline constexpr WORD kFirmwareResourceId = 134;

struct FirmwareImage {
  const BYTE* bytes = nullptr;
  DWORD size = 0;
};

FirmwareImage FindFirmwareImage();
