#include "wx_program.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "app/ui/cwinapp.h"
#include "wx_backend.h"
#include "wx_dialog.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/init.h>

namespace ui::wx {
namespace {

// The program takes no command-line options, so the toolkit's are not parsed.
class ProgramApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// The watch serves every event loop: the modal loops and the one-message pump.
class CloseOnNotice final : public wxEventLoopSourceHandler {
 public:
  explicit CloseOnNotice(int fd) : fd_(fd) {}
  void OnReadWaiting() override {
    char drained[64];
    while (read(fd_, drained, sizeof drained) > 0) {
    }
    if (wxWindow* main = DialogWindow::Main()) main->Close();
  }
  void OnWriteWaiting() override {}
  void OnExceptionWaiting() override {}

 private:
  int fd_;
};

std::unique_ptr<wxEventLoopSource> WatchCloseNotice(int fd, CloseOnNotice& handler) {
  if (fd < 0) return nullptr;
  return std::unique_ptr<wxEventLoopSource>(
      wxEventLoopBase::AddSourceForFD(fd, &handler, wxEVENT_SOURCE_INPUT));
}

int RunApplicationObject() {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (app->InitInstance()) wxTheApp->MainLoop();
  return app->ExitInstance();
}

}  // namespace

int RunProgram(int argc, char** argv, int closeNotice) {
  wxApp::SetInstance(new ProgramApp);
  if (!wxEntryStart(argc, argv)) {
    std::fprintf(stderr,
                 "orvex-programmer: the dialog cannot open the display; to upgrade without a window use "
                 "--batch --port COMn (see --help)\n");
    return 1;
  }
  int code = 1;
  if (wxTheApp->CallOnInit()) {
    WxBackend backend;
    CloseOnNotice handler(closeNotice);
    const std::unique_ptr<wxEventLoopSource> watch = WatchCloseNotice(closeNotice, handler);
    code = RunApplicationObject();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return code;
}

}  // namespace ui::wx
