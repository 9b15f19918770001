#pragma once
// A dialog of the program as a wx dialog: its controls placed from the template
// in dialog units of the template's font, and window messages routed to the
// owning CDialog's message map.
#include <map>
#include <memory>
#include <vector>

#include "wx_controls.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/dialog.h>

namespace ui::wx {

class DialogWindow : public wxDialog {
 public:
  DialogWindow(const DialogTemplate& tmpl, CDialog& owner);

  WxControl* Control(int id);
  int RunModal();
  // The window on top of the program, to own message boxes; nullptr if none.
  static wxWindow* Top();
  // The first dialog opened (the main one); nullptr if none.
  static wxWindow* Main();

 private:
  void CreateControls(const DialogTemplate& tmpl);
  void BindInput();
  void OnButton(wxCommandEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void OnContextMenu(wxContextMenuEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnPaint(wxPaintEvent& event);
  void ShowSystemItems();
  void SendSysCommand(UINT id);
  int FocusedButton() const;

  CDialog& owner_;
  int defaultId_ = IDOK;
  int modalPumpDepth_ = 0;
  std::map<int, std::unique_ptr<WxControl>> controls_;
  std::vector<std::unique_ptr<WxControl>> unnamed_;
};

class WxDialogPeer : public DialogPeer {
 public:
  WxDialogPeer(const DialogTemplate& tmpl, CDialog& owner);
  ~WxDialogPeer() override;

  void SetText(const std::string& text) override;
  std::string GetText() const override;
  ControlPeer* Control(int id) override { return window_->Control(id); }
  void SetIcon(HICON icon, bool big) override;
  void SetFocus(int controlId) override { focusId_ = controlId; }
  INT_PTR RunModal() override;
  void EndModal(INT_PTR result) override;

 private:
  DialogWindow* window_;
  HICON icons_[2] = {nullptr, nullptr};
  int focusId_ = 0;
};

// How deeply ui::PumpOneMessage() is dispatching right now on this thread.
int PumpDepth();

}  // namespace ui::wx
