#include "upgrade_report.h"

#include <utility>

#include "firmware_image.h"

namespace {
// Set and used on the user-interface thread only.
UpgradeListener* gListener = nullptr;
FirmwareImage gGivenImage;
bool gImageGiven = false;
}  // namespace

UpgradeListener* SetUpgradeListener(UpgradeListener* listener) { return std::exchange(gListener, listener); }
UpgradeListener* CurrentUpgradeListener() { return gListener; }

void SetFirmwareImage(const BYTE* bytes, DWORD size) {
  gImageGiven = bytes != nullptr;
  gGivenImage = FirmwareImage{bytes, size};
}

// The image is read in place from the program's resources; a missing one is empty.
FirmwareImage FindFirmwareImage() {
  if (gImageGiven) return gGivenImage;
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kFirmwareResourceId), "BIN");
  HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return {};
  return FirmwareImage{static_cast<const BYTE*>(bytes), SizeofResource(nullptr, resource)};
}
