#pragma once
// The firmware image the transfer sends: the program's resource "BIN" 134,
// unless batch mode was given another (upgrade_report.h).
#include "winapi.h"

inline constexpr WORD kFirmwareResourceId = 134;
inline constexpr DWORD kChunkBytes = 900;
// The progress bar counts chunks in a WORD: the largest image it can show.
inline constexpr DWORD kMaxImageChunks = 65535;
inline constexpr DWORD kMaxImageBytes = kMaxImageChunks * kChunkBytes;

struct FirmwareImage {
  const BYTE* bytes = nullptr;
  DWORD size = 0;
};

FirmwareImage FindFirmwareImage();

inline int ChunkCount(DWORD imageBytes) {
  return static_cast<int>((imageBytes + kChunkBytes - 1) / kChunkBytes);
}
