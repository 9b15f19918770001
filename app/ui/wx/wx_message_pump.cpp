
#include "wx_backend.h"
#include "wx_dialog.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/thread.h>
#include <wx/utils.h>

namespace ui::wx {
namespace {
thread_local int tPumpDepth = 0;
}  // namespace

int PumpDepth() { return tPumpDepth; }

// Calls queued from other threads (message boxes of the reader thread) run
// first: they do not count as pending window messages.
bool PumpOneMessage() {
  if (wxTheApp) wxTheApp->ProcessPendingEvents();
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (!loop || !loop->Pending()) return false;
  ++tPumpDepth;
  const bool dispatched = loop->Dispatch();
  --tPumpDepth;
  return dispatched;
}

// Boxes of other threads come through CallAfter, which the loop runs. The
// dialogs are disabled: the operator's Exit would close the port that the
// winding-down thread is closing.
void ServeUntilProcessEnds() {
  if (!wxThread::IsMain()) return;
  const wxWindowDisabler noInput;
  wxGUIEventLoop loop;
  loop.Run();
}

}  // namespace ui::wx
