#include "upgrade_report.h"

#include <mutex>
#include <string>
#include <utility>

#include "firmware_image.h"

namespace {
// The listener's calls come from the user-interface thread, and the end of a
// failed port's upgrade may come from the reader thread: one lock orders them.
std::mutex gReportLock;
thread_local bool tReporting = false;  // this thread holds gReportLock
UpgradeListener* gListener = nullptr;
bool gRunning = false;
std::string gLastStatus;  // line 1 as last reported
// Set and used on the user-interface thread only.
FirmwareImage gGivenImage;
bool gImageGiven = false;
std::string gImageRefusal;

class Reporting {
 public:
  Reporting() : lock_(gReportLock) { tReporting = true; }
  ~Reporting() { tReporting = false; }
  Reporting(const Reporting&) = delete;
  Reporting& operator=(const Reporting&) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
};

template <typename Call>
void Tell(Call call) {
  const Reporting reporting;
  if (gListener != nullptr) call(*gListener);
}
}  // namespace

UpgradeListener* SetUpgradeListener(UpgradeListener* listener) {
  const std::lock_guard lock(gReportLock);
  return std::exchange(gListener, listener);
}

void ReportStarted(int portIndex) {
  const Reporting reporting;
  gRunning = true;
  if (gListener != nullptr) gListener->Started(portIndex);
}

void ReportStatus(int line, const char* text) {
  const Reporting reporting;
  if (line == 1) gLastStatus = text;
  if (gListener != nullptr) gListener->Status(line, text);
}

void ReportAttempts(UpgradeStep step, int attempts) {
  Tell([&](UpgradeListener& listener) { listener.Attempts(step, attempts); });
}

void ReportTransferring(DWORD imageBytes) {
  Tell([&](UpgradeListener& listener) { listener.Transferring(imageBytes); });
}

void ReportSent(DWORD bytes) {
  Tell([&](UpgradeListener& listener) { listener.Sent(bytes); });
}

bool ReportEnded(UpgradeOutcome outcome, const char* text) {
  const Reporting reporting;
  if (!std::exchange(gRunning, false)) return false;
  if (gListener != nullptr) gListener->Ended(outcome, text != nullptr ? text : gLastStatus.c_str());
  return true;
}

bool ReportFault(UpgradeOutcome outcome) { return !tReporting && ReportEnded(outcome, nullptr); }

void SetFirmwareImage(const BYTE* bytes, DWORD size) {
  gImageGiven = bytes != nullptr;
  gGivenImage = FirmwareImage{bytes, size};
}

void RefuseFirmwareImage(const std::string& why) { gImageRefusal = why; }

const std::string& FirmwareImageRefusal() { return gImageRefusal; }

// The image is read in place from the program's resources; a missing one is empty.
FirmwareImage FindFirmwareImage() {
  if (gImageGiven) return gGivenImage;
  HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(kFirmwareResourceId), "BIN");
  HGLOBAL loaded = resource != nullptr ? LoadResource(nullptr, resource) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return {};
  return FirmwareImage{static_cast<const BYTE*>(bytes), SizeofResource(nullptr, resource)};
}
