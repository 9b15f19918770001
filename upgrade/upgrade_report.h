#pragma once
// What the upgrade tells whoever follows it from outside the dialog: batch
// mode's progress lines and the upgrade record. Nothing listens by default.
//
// Every upgrade that starts ends exactly once: at the controller's exits on
// the user-interface thread, or on whichever thread ends the process after
// its port failed. The listener's calls never overlap.
#include <string>

#include "upgrade_outcome.h"
#include "winapi.h"

// The boot-loader steps, whose attempts the listener hears about.
enum class UpgradeStep { kProbe, kCommand };

class UpgradeListener {
 public:
  virtual ~UpgradeListener() = default;
  virtual void Started(int portIndex) = 0;
  // Status line `line` (1 or 2) now reads `text`.
  virtual void Status(int line, const char* text) = 0;
  // The step ended after `attempts` writes (101 when it gave up).
  virtual void Attempts(UpgradeStep step, int attempts) = 0;
  virtual void Transferring(DWORD imageBytes) = 0;
  // A chunk went out whole; `bytes` in all so far.
  virtual void Sent(DWORD bytes) = 0;
  // The upgrade is over; line 1 reads `text`.
  virtual void Ended(UpgradeOutcome outcome, const char* text) = 0;
};

// Passes every event on to `next`, when there is one: a listener in a chain
// overrides what it needs and calls this class's member to pass it on.
class ForwardingListener : public UpgradeListener {
 public:
  explicit ForwardingListener(UpgradeListener* next) : next_(next) {}
  void Started(int portIndex) override {
    if (next_ != nullptr) next_->Started(portIndex);
  }
  void Status(int line, const char* text) override {
    if (next_ != nullptr) next_->Status(line, text);
  }
  void Attempts(UpgradeStep step, int attempts) override {
    if (next_ != nullptr) next_->Attempts(step, attempts);
  }
  void Transferring(DWORD imageBytes) override {
    if (next_ != nullptr) next_->Transferring(imageBytes);
  }
  void Sent(DWORD bytes) override {
    if (next_ != nullptr) next_->Sent(bytes);
  }
  void Ended(UpgradeOutcome outcome, const char* text) override {
    if (next_ != nullptr) next_->Ended(outcome, text);
  }

 private:
  UpgradeListener* next_;
};

// Returns the previous listener; nullptr removes it.
UpgradeListener* SetUpgradeListener(UpgradeListener* listener);

void ReportStarted(int portIndex);
void ReportStatus(int line, const char* text);
void ReportAttempts(UpgradeStep step, int attempts);
void ReportTransferring(DWORD imageBytes);
void ReportSent(DWORD bytes);
// The first end reported after ReportStarted reaches the listener; later ones
// of the same upgrade are dropped. Returns whether this one was the first.
// Without a text, line 1 reads what ReportStatus last said of it.
bool ReportEnded(UpgradeOutcome outcome, const char* text);
// For a fault handler: ReportEnded with line 1's last text, unless this thread
// is inside a report already (its listener failed), where it would wait for
// itself.
bool ReportFault(UpgradeOutcome outcome);

// Batch mode's --image: the image to send instead of the program's "BIN" 134
// resource. The bytes must outlive the upgrades; nullptr restores the resource.
void SetFirmwareImage(const BYTE* bytes, DWORD size);

// A station that pinned another image than the one to send: while `why` is
// set, YES shows it in a message box and starts nothing. Empty lifts it.
void RefuseFirmwareImage(const std::string& why);
const std::string& FirmwareImageRefusal();
