#include "batch_run.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "app/programmer_dlg.h"
#include "app/system/system.h"
#include "app/ui/headless/headless_screen.h"
#include "app/ui/message_box.h"
#include "res/resource.h"
#include "res/status_texts.h"

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
    std::printf("%s\n", text);
    std::fflush(stdout);
  }
  void Transferring(DWORD imageBytes) override {
    total_ = imageBytes;
    start_ = std::chrono::steady_clock::now();
    nextTenth_ = 1;
  }
  void Sent(DWORD bytes) override {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? bytes / seconds : 0;
    const unsigned percent = total_ ? static_cast<unsigned>(100.0 * bytes / total_) : 100;
    const double left = rate > 0 ? (total_ - bytes) / rate : 0;
    if (terminal_) {
      std::printf("\r%3u %%  %lu / %lu bytes  %.1f kB/s  %.0f s left   ", percent,
                  static_cast<unsigned long>(bytes), static_cast<unsigned long>(total_), rate / 1000, left);
      onProgressLine_ = true;
    } else if (percent >= nextTenth_ * 10) {
      nextTenth_ = percent / 10 + 1;
      std::printf("%u %% (%lu of %lu bytes, %.1f kB/s)\n", percent, static_cast<unsigned long>(bytes),
                  static_cast<unsigned long>(total_), rate / 1000);
    }
    std::fflush(stdout);
  }
  void Ended(const char* text) override {
    Status(text);
    final_ = text;
  }

  const std::string& FinalStatus() const { return final_; }

 private:
  void EndProgressLine() {
    if (onProgressLine_) std::printf("\n");
    onProgressLine_ = false;
  }

  bool terminal_;
  std::string status_;
  std::string final_;
  DWORD total_ = 0;
  unsigned nextTenth_ = 1;
  std::chrono::steady_clock::time_point start_{};
  bool onProgressLine_ = false;
};

}  // namespace

int ExitCodeForStatus(const std::string& statusText) {
  switch (OutcomeOf(statusText)) {
    case Outcome::kComplete:
      return kExitComplete;
    case Outcome::kProbeTimeOut:
      return kExitProbeTimeOut;
    case Outcome::kCommandTimeOut:
      return kExitCommandTimeOut;
    case Outcome::kPortError:
      return kExitPortError;
    case Outcome::kTransferFailed:
    case Outcome::kUnknown:
      break;
  }
  return kExitTransferFailed;  // an upgrade that did not end complete did not send its image whole
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
      code = ExitCodeForStatus(progress.FinalStatus());
    }
  }
  SetUpgradeListener(previousListener);
  ui::SetMessageBoxHandler(std::move(previousBoxes));
  return code;
}

}  // namespace cli
