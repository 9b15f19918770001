#pragma once
// The upgrade record: one line of JSON per upgrade, appended to
// upgrades.jsonl in the record folder, so that a production line can tell which
// unit got which image and how it went. A record that cannot be written never
// stops an upgrade; it is reported once on standard error.
#include <chrono>
#include <string>

#include "upgrade/upgrade_report.h"

struct ImageIdentity {
  unsigned long long bytes = 0;
  std::string sha256;
};

// One record line; `seconds` to the millisecond.
std::string RecordLine(const std::string& started, const std::string& port, const std::string& device,
                       const ImageIdentity& image, UpgradeOutcome outcome, const std::string& statusText,
                       double seconds, unsigned long long bytesSent);

class UpgradeRecord final : public UpgradeListener {
 public:
  // Events also go to `next`, when there is one.
  UpgradeRecord(ImageIdentity image, UpgradeListener* next);

  void Started(int portIndex) override;
  void Status(const char* text) override;
  void Transferring(DWORD imageBytes) override;
  void Sent(DWORD bytes) override;
  void Ended(UpgradeOutcome outcome, const char* text) override;

 private:
  void Write(const std::string& line);

  ImageIdentity image_;
  UpgradeListener* next_;
  std::string started_;
  std::string port_;
  std::string device_;
  std::chrono::steady_clock::time_point start_{};
  unsigned long long sent_ = 0;
  bool complained_ = false;
};
