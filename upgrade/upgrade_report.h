#pragma once
// What the upgrade tells whoever follows it from outside the dialog: batch
// mode's progress lines and the upgrade record. Nothing listens by default.
#include "winapi.h"

class UpgradeListener {
 public:
  virtual ~UpgradeListener() = default;
  virtual void Started(int portIndex) = 0;
  // Line 1 of the status display now reads `text`.
  virtual void Status(const char* text) = 0;
  virtual void Transferring(DWORD imageBytes) = 0;
  // A chunk went out whole; `bytes` in all so far.
  virtual void Sent(DWORD bytes) = 0;
  // The upgrade is over; line 1 reads `text`. Not called when the process ends
  // on a dead port.
  virtual void Ended(const char* text) = 0;
};

// Returns the previous listener; nullptr removes it.
UpgradeListener* SetUpgradeListener(UpgradeListener* listener);
UpgradeListener* CurrentUpgradeListener();

// Batch mode's --image: the image to send instead of the program's "BIN" 134
// resource. The bytes must outlive the upgrades; nullptr restores the resource.
void SetFirmwareImage(const BYTE* bytes, DWORD size);
