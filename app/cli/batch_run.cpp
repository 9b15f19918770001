#include "batch_run.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/programmer_dlg.h"
#include "app/system/console.h"
#include "app/system/diagnostics.h"
#include "app/system/output.h"
#include "app/ui/headless/headless_screen.h"
#include "json_events.h"
#include "res/resource.h"
#include "res/status_texts.h"
#include "serial/port_tables.h"
#include "ui_core/message_box.h"
#include "upgrade/stop_request.h"

namespace cli {
namespace {

// Prints the upgrade as it goes: each new text of status line 1 on a line of
// its own, progress as one updating line on a terminal, else a line every 10 %.
class BatchProgress final : public ForwardingListener {
 public:
  BatchProgress(std::FILE* out, bool terminal)
      : ForwardingListener(nullptr), out_(out), terminal_(terminal) {}

  void Status(int line, const char* text) override {
    if (line != 1) return;
    EndProgressLine();
    if (text == status_) return;
    status_ = text;
    sys::Print(out_, status_ + "\n");
  }
  void Transferring(DWORD imageBytes) override {
    total_ = imageBytes;
    start_ = std::chrono::steady_clock::now();
    nextTenth_ = 1;
  }
  void Sent(DWORD bytes) override {
    sent_ = bytes;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? bytes / seconds : 0;
    const unsigned percent = total_ ? static_cast<unsigned>(100.0 * bytes / total_) : 100;
    const double left = rate > 0 ? (total_ - bytes) / rate : 0;
    if (terminal_) {
      sys::PrintFormatted(out_, "\r%3u %%  %lu / %lu bytes  %.1f kB/s  %.0f s left   ", percent,
                          static_cast<unsigned long>(bytes), static_cast<unsigned long>(total_), rate / 1000,
                          left);
      onProgressLine_ = true;
    } else if (percent >= nextTenth_ * 10) {
      nextTenth_ = percent / 10 + 1;
      sys::PrintFormatted(out_, "%u %% (%lu of %lu bytes, %.1f kB/s)\n", percent,
                          static_cast<unsigned long>(bytes), static_cast<unsigned long>(total_), rate / 1000);
    }
  }
  void Ended(UpgradeOutcome outcome, const char* text) override {
    Status(1, text);
    outcome_ = outcome;
    if (outcome != UpgradeOutcome::kInterrupted) return;
    sys::Complain(sent_ == 0 ? "the upgrade was interrupted before any image byte was sent"
                             : "the upgrade was interrupted after " + std::to_string(sent_) +
                                   " image bytes: the instrument now holds a partial image and must be "
                                   "upgraded again before use");
  }

  std::optional<UpgradeOutcome> Outcome() const { return outcome_; }

 private:
  void EndProgressLine() {
    if (onProgressLine_) sys::Print(out_, "\n");
    onProgressLine_ = false;
  }

  std::FILE* out_;
  bool terminal_;
  std::string status_;
  std::optional<UpgradeOutcome> outcome_;
  DWORD total_ = 0;
  DWORD sent_ = 0;
  unsigned nextTenth_ = 1;
  std::chrono::steady_clock::time_point start_{};
  bool onProgressLine_ = false;
};

}  // namespace

int RunBatch(const CommandLine& line, const RecordContext& context) {
  ui::headless::Screen screen;
  // With --json, standard output is the event stream's alone.
  BatchProgress progress(line.json ? stderr : stdout, !line.json && sys::OutputIsTerminal());
  JsonEvents events(context, &progress);
  UpgradeListener* shown = line.json ? static_cast<UpgradeListener*>(&events) : &progress;
  // Boxes are printed and acknowledged at once: nobody is there to press OK.
  ui::MessageBoxHandler previousBoxes = ui::SetMessageBoxHandler([&](const char* text, UINT) {
    sys::Complain(text);
    if (line.json) events.Message(text);
    return IDOK;
  });
  UpgradeRecord record(context, shown);
  UpgradeListener* previousListener = SetUpgradeListener(&record);
  int code = kExitPortError;
  {
    CProgrammerDlg dlg;
    if (dlg.Create()) {
      // Batch mode takes ports beyond the dialog's list: the list grows to the one asked for.
      for (int port = kDialogPortCount; port <= line.portIndex; ++port)
        screen.AddItem(IDC_PORT, PortName(port));
      screen.Select(IDC_PORT, line.portIndex);
      screen.Press(IDOK);
      if (const auto outcome = progress.Outcome()) code = ExitCodeFor(*outcome);
    }
  }
  SetUpgradeListener(previousListener);
  ui::SetMessageBoxHandler(std::move(previousBoxes));
  return code;
}

}  // namespace cli
