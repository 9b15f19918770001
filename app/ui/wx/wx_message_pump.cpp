
#include "wx_backend.h"

#include <chrono>

#include "gtk_main_context.h"
#include "wx_dialog.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/thread.h>
#include <wx/utils.h>

namespace ui::wx {
namespace {
thread_local int tPumpDepth = 0;

// What one pass may spend on the other sources. A backlog of the
// accessibility bus of a hundred messages takes about 5 ms; the probe pauses
// 100 ms between its attempts.
constexpr std::chrono::milliseconds kOtherSourcesBudget{20};

// A pass dispatches one window message. The toolkit's main context has other
// sources besides, above all the accessibility bus, whose connections give out
// one message per dispatch: left to that, a screen reader's search for Exit
// waited behind the bus's backlog for the whole probe, where a click took one
// pass. So the pass goes on serving the context's ready sources until a window
// event waits (the next pass takes it, as before), nothing is ready, or the
// budget is spent (a source that is always ready cannot hold up the upgrade).
void ServeOtherSources(wxEventLoopBase& loop) {
  const auto end = std::chrono::steady_clock::now() + kOtherSourcesBudget;
  // Pending() also keeps wx's idle processing out of the pass, as before.
  while (std::chrono::steady_clock::now() < end && !WindowEventWaiting() && loop.Pending() &&
         DispatchReadySources()) {
  }
}

}  // namespace

int PumpDepth() { return tPumpDepth; }

// Calls queued from other threads (message boxes of the reader thread) run
// first: they do not count as pending window messages.
bool PumpOneMessage() {
  if (wxTheApp) wxTheApp->ProcessPendingEvents();
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (!loop || !loop->Pending()) return false;
  const NestedLoop nested;
  ++tPumpDepth;
  const bool dispatched = loop->Dispatch();
  ServeOtherSources(*loop);
  --tPumpDepth;
  // Pending() takes away wx's idle source, which runs what was queued, such as
  // a press that came through the bus in this pass. Left so, the press would
  // wait in the dialog's own loop for a window event to bring the source back.
  if (wxTheApp && wxTheApp->HasPendingEvents()) wxTheApp->WakeUpIdle();
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
