#include "cdialog.h"

#include <utility>

#include "ui_core/resource_module.h"

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  CDialog& dialog = dx->Dialog();
  ui::DialogPeer* peer = dialog.peer_.get();
  control.Attach(peer ? peer->Control(id) : nullptr);
  dialog.bound_[id] = &control;
}

CDialog::CDialog(UINT templateId, CWnd*) : templateId_(templateId) {}

CDialog::~CDialog() {
  // The controls bound by DoDataExchange are members of the derived dialog,
  // already destroyed by now: they must not be touched.
  bound_.clear();
  DestroyWindow();
}

BOOL CDialog::Create() {
  const ui::DialogTemplate* tmpl = ui::FindDialogTemplate(templateId_);
  ui::Backend* backend = ui::CurrentBackend();
  if (!tmpl || !backend || peer_) return FALSE;
  peer_ = backend->CreatePeer(*tmpl, *this);
  if (!peer_) return FALSE;  // the backend could not make the window
  Attach(peer_.get());
  endRequested_ = false;
  CDataExchange dx(*this);
  DoDataExchange(&dx);
  if (OnInitDialog()) {
    for (const ui::ControlTemplate& control : tmpl->controls) {
      if (control.tabStop) {
        peer_->SetFocus(control.id);
        break;
      }
    }
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  if (!Create()) return -1;
  // A dialog that ended while it was being initialised does not run its loop.
  const INT_PTR result = endRequested_ ? pendingResult_ : peer_->RunModal();
  DestroyWindow();
  return result;
}

void CDialog::DestroyWindow() {
  for (auto& [id, control] : bound_) control->Detach();
  bound_.clear();
  temporary_.clear();
  Detach();
  peer_.reset();
}

void CDialog::EndDialog(INT_PTR result) {
  endRequested_ = true;
  pendingResult_ = result;
  if (peer_) peer_->EndModal(result);
}

CWnd* CDialog::GetDlgItem(int id) {
  if (auto it = bound_.find(id); it != bound_.end()) return it->second;
  if (auto it = temporary_.find(id); it != temporary_.end()) return it->second.get();
  ui::ControlPeer* control = peer_ ? peer_->Control(id) : nullptr;
  if (!control) return nullptr;
  auto wnd = std::make_unique<CWnd>();
  wnd->Attach(control);
  return temporary_.emplace(id, std::move(wnd)).first->second.get();
}

CMenu* CDialog::GetSystemMenu(BOOL) { return &systemMenu_; }

HICON CDialog::SetIcon(HICON icon, BOOL big) {
  HICON& slot = icons_[big ? 1 : 0];
  if (peer_) peer_->SetIcon(icon, big != FALSE);
  return std::exchange(slot, icon);
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) OnOK();
      if (LOWORD(wParam) == IDCANCEL) OnCancel();
      return 0;
    case WM_SYSCOMMAND:
      OnSysCommand(static_cast<UINT>(wParam), lParam);
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(OnQueryDragIcon());
    default:
      return 0;
  }
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
void CDialog::DoDataExchange(CDataExchange*) {}
void CDialog::OnSysCommand(UINT, LPARAM) {}
void CDialog::OnPaint() {}
// The default processing of a close request is the Cancel command.
void CDialog::OnClose() { OnCancel(); }
HCURSOR CDialog::OnQueryDragIcon() { return icons_[1]; }
