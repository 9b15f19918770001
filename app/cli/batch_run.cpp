#include "batch_run.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "app/programmer_dlg.h"
#include "app/system/output.h"
#include "app/system/system.h"
#include "app/ui/headless/headless_screen.h"
#include "res/resource.h"
#include "res/status_texts.h"
#include "ui_core/message_box.h"
#include "upgrade/stop_request.h"

namespace cli {
namespace {

// Prints the upgrade as it goes: each new status text on a line of its own,
// progress as one updating line on a terminal, else a line every 10 %.
class BatchProgress final : public UpgradeListener {
 public:
  explicit BatchProgress(bool terminal) : terminal_(terminal) {}

  void Started(int) override {}
  void Status(const char* text) override {
    EndProgressLine();
    if (text == status_) return;
    status_ = text;
    sys::Print(stdout, status_ + "\n");
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
      sys::PrintFormatted(stdout, "\r%3u %%  %lu / %lu bytes  %.1f kB/s  %.0f s left   ", percent,
                          static_cast<unsigned long>(bytes), static_cast<unsigned long>(total_), rate / 1000,
                          left);
      onProgressLine_ = true;
    } else if (percent >= nextTenth_ * 10) {
      nextTenth_ = percent / 10 + 1;
      sys::PrintFormatted(stdout, "%u %% (%lu of %lu bytes, %.1f kB/s)\n", percent,
                          static_cast<unsigned long>(bytes), static_cast<unsigned long>(total_), rate / 1000);
    }
  }
  void Ended(UpgradeOutcome outcome, const char* text) override {
    Status(text);
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
    if (onProgressLine_) sys::Print(stdout, "\n");
    onProgressLine_ = false;
  }

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

int ExitCodeFor(UpgradeOutcome outcome) {
  switch (outcome) {
    case UpgradeOutcome::kComplete:
      return kExitComplete;
    case UpgradeOutcome::kProbeTimeOut:
      return kExitProbeTimeOut;
    case UpgradeOutcome::kCommandTimeOut:
      return kExitCommandTimeOut;
    case UpgradeOutcome::kPortError:
      return kExitPortError;
    case UpgradeOutcome::kTransferFailed:
      return kExitTransferFailed;
    case UpgradeOutcome::kInterrupted:
      return kExitSignalBase + StopSignal();
    case UpgradeOutcome::kAbandoned:
    case UpgradeOutcome::kPortFailed:
      break;
  }
  return kExitPortDied;
}

int RunBatch(const CommandLine& line, const ImageIdentity& image) {
  ui::headless::Screen screen;
  // Boxes are printed and acknowledged at once: nobody is there to press OK.
  ui::MessageBoxHandler previousBoxes = ui::SetMessageBoxHandler([](const char* text, UINT) {
    sys::Complain(text);
    return IDOK;
  });
  BatchProgress progress(sys::OutputIsTerminal());
  UpgradeRecord record(image, &progress);
  UpgradeListener* previousListener = SetUpgradeListener(&record);
  int code = kExitPortError;
  {
    CProgrammerDlg dlg;
    if (dlg.Create()) {
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
