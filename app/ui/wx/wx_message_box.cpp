#include <condition_variable>
#include <mutex>

#include "gtk_main_context.h"
#include "wx_backend.h"
#include "wx_dialog.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

namespace ui::wx {
namespace {

int ShowOnThisThread(const wxString& text) {
  const NestedLoop loop;
  wxMessageDialog box(DialogWindow::Top(), text, wxTheApp->GetAppDisplayName(), wxOK);
  box.ShowModal();
  // A screen reader's press on the dialog while the box was up waits in the
  // queue (it runs from the loop); it is taken now, while the box's caller is
  // still at work, so that it meets the state it was made in. Taken later, a
  // YES made during an upgrade's box would start an upgrade once that one ended.
  wxTheApp->ProcessPendingEvents();
  return IDOK;
}

}  // namespace

// A box asked for by another thread is shown on the user-interface thread;
// the asking thread waits until the operator has confirmed it.
int ShowMessageBox(const char* text, UINT) {
  const wxString message = ToWx(text ? text : "");
  if (wxThread::IsMain()) return ShowOnThisThread(message);
  std::mutex mutex;
  std::condition_variable confirmed;
  bool done = false;
  int result = IDOK;
  wxTheApp->CallAfter([&] {
    const int answer = ShowOnThisThread(message);
    std::lock_guard lock(mutex);
    result = answer;
    done = true;
    confirmed.notify_one();
  });
  std::unique_lock lock(mutex);
  confirmed.wait(lock, [&] { return done; });
  return result;
}

}  // namespace ui::wx
