// How operator input reaches a dialog's message map on the wx backend.
//
// Linux has no window menu a program can extend: the items appended to the
// dialog's system menu appear in its context menu (right button, Menu key,
// Shift+F10), and F1 runs the first of them (the About box).

#include "app/ui/cdialog.h"
#include "gtk_main_context.h"
#include "wx_dialog.h"
#include "wx_status_surface.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/menu.h>

namespace ui::wx {

void DialogWindow::BindInput() {
  Bind(wxEVT_BUTTON, &DialogWindow::OnButton, this);
  Bind(wxEVT_CHAR_HOOK, &DialogWindow::OnCharHook, this);
  Bind(wxEVT_CONTEXT_MENU, &DialogWindow::OnContextMenu, this);
  Bind(wxEVT_CLOSE_WINDOW, &DialogWindow::OnClose, this);
  Bind(wxEVT_PAINT, &DialogWindow::OnPaint, this);
}

// A press by an assistive technology's action arrives inside the dispatch of
// its bus connection, which serves nothing more until the press's handler
// returns: YES would run the whole upgrade there, or a message box's loop, and
// the screen reader would get no answer until it ended. Such a press runs from
// the loop instead, as a click's does, also while a loop runs inside the
// handler of a key or a click (NestedLoop), whose event GTK keeps current.
void DialogWindow::OnButton(wxCommandEvent& event) {
  const auto id = static_cast<WPARAM>(event.GetId());
  if (InWindowEvent()) {
    owner_.WindowProc(WM_COMMAND, id, 0);
  } else {
    CallAfter([this, id] { owner_.WindowProc(WM_COMMAND, id, 0); });
  }
}

int DialogWindow::FocusedButton() const {
  const wxWindow* focus = FindFocus();
  const bool isButton = focus && focus->GetParent() == this && wxDynamicCast(focus, wxButton);
  return isButton ? focus->GetId() : 0;
}

// The dialog's keyboard handling runs only in the dialog's own loop: while a
// handler pumps messages itself, keys go to the focused control alone.
void DialogWindow::OnCharHook(wxKeyEvent& event) {
  if (PumpDepth() > modalPumpDepth_) {
    event.Skip();
    return;
  }
  const int key = event.GetKeyCode();
  if (key == WXK_ESCAPE) {
    owner_.WindowProc(WM_COMMAND, IDCANCEL, 0);
  } else if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
    const int button = FocusedButton();
    owner_.WindowProc(WM_COMMAND, static_cast<WPARAM>(button ? button : defaultId_), 0);
  } else if (key == WXK_F1 && !event.HasAnyModifiers()) {
    for (const CMenu::Item& item : owner_.GetSystemMenu(FALSE)->Items()) {
      if (item.flags != MF_SEPARATOR) {
        SendSysCommand(item.id);
        break;
      }
    }
  } else if (key == WXK_MENU || (key == WXK_F10 && event.GetModifiers() == wxMOD_SHIFT)) {
    ShowSystemItems();
  } else {
    event.Skip();
  }
}

void DialogWindow::OnContextMenu(wxContextMenuEvent&) { ShowSystemItems(); }

void DialogWindow::ShowSystemItems() {
  wxMenu menu;
  for (const CMenu::Item& item : owner_.GetSystemMenu(FALSE)->Items()) {
    if (item.flags == MF_SEPARATOR) {
      if (menu.GetMenuItemCount() > 0) menu.AppendSeparator();
    } else {
      menu.Append(static_cast<int>(item.id), ToWx(item.text));
    }
  }
  if (menu.GetMenuItemCount() == 0) return;
  const NestedLoop loop;
  const int chosen = GetPopupMenuSelectionFromUser(menu);
  if (chosen != wxID_NONE) SendSysCommand(static_cast<UINT>(chosen));
}

void DialogWindow::SendSysCommand(UINT id) { owner_.WindowProc(WM_SYSCOMMAND, id, 0); }

// The close box: WM_CLOSE, whose default processing is the Cancel command.
void DialogWindow::OnClose(wxCloseEvent&) { owner_.WindowProc(WM_CLOSE, 0, 0); }

void DialogWindow::OnPaint(wxPaintEvent&) {
  PaintScope painting;
  wxPaintDC dc(this);
  owner_.WindowProc(WM_PAINT, 0, 0);
}

}  // namespace ui::wx
