#include "wx_dialog.h"

#include "app/ui/cdialog.h"
#include "gtk_main_context.h"
#include "ui_core/resource_module.h"
#include "wx_fonts.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/dcclient.h>
#include <wx/iconbndl.h>

namespace ui::wx {
namespace {

std::vector<DialogWindow*> gOpen;  // user-interface thread only, top last

DialogUnits MeasureUnits(wxWindow* window) {
  const wxSize alphabet = window->GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  return DialogUnits(alphabet.x, window->GetCharHeight());
}

}  // namespace

DialogWindow::DialogWindow(const DialogTemplate& tmpl, CDialog& owner)
    : wxDialog(nullptr, wxID_ANY, ToWx(tmpl.caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      owner_(owner) {
  SetFont(DialogFont(tmpl.fontFace, tmpl.fontPoints));
  const DialogUnits units = MeasureUnits(this);
  SetClientSize(units.ToPixelsX(tmpl.cx), units.ToPixelsY(tmpl.cy));
  CreateControls(tmpl);
  BindInput();
  gOpen.push_back(this);
}

void DialogWindow::CreateControls(const DialogTemplate& tmpl) {
  const DialogUnits units = MeasureUnits(this);
  for (const ControlTemplate& control : tmpl.controls) {
    auto peer = CreateControl(this, control, units.ToPixels(control.rect));
    if (control.kind == ControlKind::DefPushButton) defaultId_ = control.id;
    if (control.id > 0)
      controls_[control.id] = std::move(peer);
    else
      unnamed_.push_back(std::move(peer));
  }
}

WxControl* DialogWindow::Control(int id) {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second.get();
}

int DialogWindow::RunModal() {
  const NestedLoop loop;
  modalPumpDepth_ = PumpDepth();
  return ShowModal();
}

wxWindow* DialogWindow::Top() { return gOpen.empty() ? nullptr : gOpen.back(); }
wxWindow* DialogWindow::Main() { return gOpen.empty() ? nullptr : gOpen.front(); }

WxDialogPeer::WxDialogPeer(const DialogTemplate& tmpl, CDialog& owner)
    : window_(new DialogWindow(tmpl, owner)) {}

WxDialogPeer::~WxDialogPeer() {
  std::erase(gOpen, window_);
  delete window_;
}

void WxDialogPeer::SetText(const std::string& text) { window_->SetTitle(ToWx(text)); }
std::string WxDialogPeer::GetText() const { return FromWx(window_->GetTitle()); }

void WxDialogPeer::SetIcon(HICON icon, bool big) {
  icons_[big ? 1 : 0] = icon;
  wxIconBundle bundle;
  for (HICON each : icons_) {
    if (!each) continue;
    wxIcon large, small;
    large.CopyFromBitmap(wxBitmap(each->large));
    small.CopyFromBitmap(wxBitmap(each->small));
    bundle.AddIcon(large);
    bundle.AddIcon(small);
  }
  window_->SetIcons(bundle);
}

INT_PTR WxDialogPeer::RunModal() {
  const int focusId = focusId_;
  window_->CallAfter([this, focusId] {
    if (WxControl* control = window_->Control(focusId)) control->Window()->SetFocus();
  });
  return window_->RunModal();
}

void WxDialogPeer::EndModal(INT_PTR result) {
  if (window_->IsModal()) window_->EndModal(static_cast<int>(result));
}

}  // namespace ui::wx
