#include "wx_program.h"

#include <cstdio>

#include "app/ui/cwinapp.h"
#include "wx_backend.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/app.h>
#include <wx/init.h>

namespace ui::wx {
namespace {

// The program takes no command-line options, so the toolkit's are not parsed.
class ProgramApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

int RunApplicationObject() {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  if (app->InitInstance()) wxTheApp->MainLoop();
  return app->ExitInstance();
}

}  // namespace

int RunProgram(int argc, char** argv) {
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
    code = RunApplicationObject();
  }
  wxTheApp->OnExit();
  wxEntryCleanup();
  return code;
}

}  // namespace ui::wx
