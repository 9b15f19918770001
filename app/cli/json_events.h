#pragma once
// Batch mode's --json stream: one JSON object per line on standard output,
// flushed as it happens, for a station program to read:
//   {"event":"start","v":1,"program":...,"port":...,"device":...,"imageBytes":...,"imageSha256":...}
//   {"event":"status","port":...,"line":1,"text":...}      whenever a status line is drawn
//   {"event":"message","port":...,"text":...}              each message box
//   {"event":"progress","port":...,"bytesSent":...,"total":...,"percent":...}   at most once per percent
//   {"event":"end","port":...,"outcome":...,"exitCode":...,"bytesSent":...,"seconds":...}
#include <chrono>
#include <string>

#include "app/record/upgrade_record.h"

namespace cli {

inline constexpr int kEventSchema = 1;

class JsonEvents final : public ForwardingListener {
 public:
  // Events also go to `next`, when there is one.
  JsonEvents(RecordContext context, UpgradeListener* next);

  void Started(int portIndex) override;
  void Status(int line, const char* text) override;
  void Transferring(DWORD imageBytes) override;
  void Sent(DWORD bytes) override;
  void Ended(UpgradeOutcome outcome, const char* text) override;

  // A message box's text; any thread.
  void Message(const char* text) const;

 private:
  void Emit(const std::string& event, const std::string& fields) const;

  RecordContext context_;
  std::string port_;
  DWORD total_ = 0;
  DWORD sent_ = 0;
  int percent_ = -1;
  std::chrono::steady_clock::time_point start_{};
};

}  // namespace cli
