#pragma once
// The upgrade record: one line of JSON per upgrade, appended to
// upgrades.jsonl in the record folder, so that a production line can tell which
// unit got which image, on which station and adapter, and how it went. A
// record that cannot be written never stops an upgrade; it is reported once on
// standard error.
#include <chrono>
#include <string>

#include "app/system/port_finder.h"
#include "upgrade/upgrade_report.h"

struct ImageIdentity {
  unsigned long long bytes = 0;
  std::string sha256;
};

// What stays the same for every upgrade of a run.
struct RecordContext {
  ImageIdentity image;
  std::string station;  // --station or ORVEX_STATION; empty: none
  std::string unit;     // --unit, the instrument's serial number; empty: none
  std::string host;     // this machine; the record fills it in when empty
};

// One upgrade's line, field by field.
struct RecordEntry {
  std::string started;  // UTC, to the second
  std::string ended;    // UTC, to the millisecond
  std::string port;
  std::string device;
  sys::UsbAdapter adapter;
  UpgradeOutcome outcome = UpgradeOutcome::kComplete;
  std::string status;  // line 1 at the end
  double seconds = 0;
  unsigned long long bytesSent = 0;
  int probeAttempts = 0;
  int commandAttempts = 0;
};

// The record's schema version: readers may rely on every field it names.
inline constexpr int kRecordSchema = 1;

std::string RecordLine(const RecordContext& context, const RecordEntry& entry);

class UpgradeRecord final : public ForwardingListener {
 public:
  // Events also go to `next`, when there is one.
  UpgradeRecord(RecordContext context, UpgradeListener* next);
  // The system log's entries have gone, or their time is up.
  ~UpgradeRecord() override;
  UpgradeRecord(const UpgradeRecord&) = delete;
  UpgradeRecord& operator=(const UpgradeRecord&) = delete;

  void Started(int portIndex) override;
  void Attempts(UpgradeStep step, int attempts) override;
  void Sent(DWORD bytes) override;
  void Ended(UpgradeOutcome outcome, const char* text) override;

 private:
  void Write(const std::string& line);

  RecordContext context_;
  RecordEntry entry_;
  std::chrono::steady_clock::time_point start_{};
  bool complained_ = false;
};
