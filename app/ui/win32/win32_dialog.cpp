#include "win32_dialog.h"

#include "app/ui/cdialog.h"
#include "dpi.h"
#include "res/resource.h"
#include "ui_core/wide_text.h"

namespace ui::win32 {

namespace {

std::string WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

}  // namespace

void ControlWindow::SetText(const std::string& text) { SetWindowTextW(hwnd_, Widen(text).c_str()); }
std::string ControlWindow::GetText() const { return WindowText(hwnd_); }

LRESULT ControlWindow::Send(UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(hwnd_, message, wParam, lParam);
}

void ControlWindow::Invalidate(bool erase) { InvalidateRect(hwnd_, nullptr, erase ? TRUE : FALSE); }
void ControlWindow::Update() { UpdateWindow(hwnd_); }

ControlWindow::~ControlWindow() {
  if (font_ != nullptr) DeleteObject(font_);
}

// The context's own font is the system font, 16 pixels tall at 96 DPI and not
// scaled with the window. At any other DPI the lines are drawn in an outline
// face every Windows has, bold like the system font, at the window's scale
// (the system font's bitmaps do not scale: Wine widens only its spacing), and
// it is made again when the window moves to another DPI.
HFONT ControlWindow::TextFont(UINT dpi) {
  constexpr int kSystemFontHeight = 16;  // at 96 DPI
  if (dpi == USER_DEFAULT_SCREEN_DPI) return nullptr;
  if (font_ != nullptr && fontDpi_ == dpi) return font_;
  if (font_ != nullptr) DeleteObject(font_);
  LOGFONTA face{};
  face.lfHeight = ScaleToDpi(kSystemFontHeight, dpi);
  face.lfWeight = FW_BOLD;
  face.lfCharSet = DEFAULT_CHARSET;
  face.lfOutPrecision = OUT_TT_PRECIS;
  lstrcpynA(face.lfFaceName, "Tahoma", LF_FACESIZE);
  font_ = CreateFontIndirectA(&face);
  fontDpi_ = dpi;
  return font_;
}

// Drawn outside painting, with the context's defaults but the colour: opaque
// behind the characters only, in the system font. The run's position is in
// pixels at 96 DPI (its y names the status line), scaled here.
void ControlWindow::DrawText(const TextRun& run) {
  HDC dc = GetDC(hwnd_);
  if (dc == nullptr) return;
  const UINT dpi = WindowDpi(hwnd_);
  HFONT font = TextFont(dpi);
  HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  ::SetTextColor(dc, run.color);
  TextOutA(dc, ScaleToDpi(run.x, dpi), ScaleToDpi(run.y, dpi), run.text.data(),
           static_cast<int>(run.text.size()));
  if (previousFont != nullptr) SelectObject(dc, previousFont);
  ReleaseDC(hwnd_, dc);
}

DialogWindow::DialogWindow(const DialogTemplate& tmpl, CDialog& owner) : owner_(owner) {
  // A dialog opened from another one (the About box) is owned by it and keeps it disabled.
  ownerWindow_ = GetActiveWindow();
  CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(tmpl.id), ownerWindow_, &Procedure,
                     reinterpret_cast<LPARAM>(this));
  if (hwnd_ == nullptr) return;
  // The port list's strings are the template's initialisation data, added in order.
  for (const ControlTemplate& control : tmpl.controls) {
    HWND window = GetDlgItem(hwnd_, control.id);
    for (const std::string& item : control.items)
      SendMessageW(window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
}

DialogWindow::~DialogWindow() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

void DialogWindow::SetText(const std::string& text) { SetWindowTextW(hwnd_, Widen(text).c_str()); }
std::string DialogWindow::GetText() const { return WindowText(hwnd_); }

ControlPeer* DialogWindow::Control(int id) {
  if (auto it = controls_.find(id); it != controls_.end()) return it->second.get();
  HWND control = GetDlgItem(hwnd_, id);
  if (control == nullptr) return nullptr;
  return controls_.emplace(id, std::make_unique<ControlWindow>(control)).first->second.get();
}

void DialogWindow::SetIcon(HICON icon, bool big) {
  if (big) bigIcon_ = icon;
  SendMessageA(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void DialogWindow::SetFocus(int controlId) {
  if (HWND control = GetDlgItem(hwnd_, controlId))
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

INT_PTR DialogWindow::RunModal() {
  AppendSystemMenuItems();
  if (ownerWindow_ != nullptr) EnableWindow(ownerWindow_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  MSG msg;
  while (!ended_) {
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
    if (got <= 0) break;
    if (!IsDialogMessageA(hwnd_, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  if (ownerWindow_ != nullptr) {
    EnableWindow(ownerWindow_, TRUE);
    SetActiveWindow(ownerWindow_);
  }
  ShowWindow(hwnd_, SW_HIDE);
  return result_;
}

void DialogWindow::EndModal(INT_PTR result) {
  ended_ = true;
  result_ = result;
  PostMessageA(hwnd_, WM_NULL, 0, 0);  // wakes the loop's GetMessage
}

void DialogWindow::AppendSystemMenuItems() {
  HMENU menu = GetSystemMenu(hwnd_, FALSE);
  if (menu == nullptr) return;
  for (const CMenu::Item& item : owner_.GetSystemMenu(FALSE)->Items())
    AppendMenuW(menu, item.flags, item.id, (item.flags & MF_SEPARATOR) ? nullptr : Widen(item.text).c_str());
}

// The window is painted and validated first, so the status lines the dialog
// draws afterwards are not erased by the dialog's own background. Minimised,
// the program icon is drawn centred in the client area.
void DialogWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  if (IsIconic(hwnd_)) {
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const UINT dpi = WindowDpi(hwnd_);
    const int cxIcon = SystemMetricForDpi(SM_CXICON, dpi);
    const int cyIcon = SystemMetricForDpi(SM_CYICON, dpi);
    RECT rect;
    GetClientRect(hwnd_, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    DrawIconEx(dc, x, y, bigIcon_, cxIcon, cyIcon, 0, nullptr, DI_NORMAL);
  }
  EndPaint(hwnd_, &ps);
  owner_.WindowProc(WM_PAINT, 0, 0);
}

// Moved to a display of another DPI (or its scale changed): the window takes the
// size Windows suggests, and everything is painted again once the dialog
// manager has rescaled the controls and the template's font (which it owns),
// which also erases the status lines drawn at the old scale; the dialog's
// painting draws them anew, in a status font made for the new DPI.
void DialogWindow::OnDpiChanged(const RECT& suggested) {
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

INT_PTR DialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      owner_.WindowProc(WM_COMMAND, wParam, lParam);
      return TRUE;
    case WM_SYSCOMMAND:
      // Only the program's own item is handled; the rest is the window's default.
      if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return FALSE;
      owner_.WindowProc(WM_SYSCOMMAND, wParam, lParam);
      return TRUE;
    case WM_PAINT:
      Paint();
      return TRUE;
    case WM_CLOSE:
      owner_.WindowProc(WM_CLOSE, wParam, lParam);
      return TRUE;
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(owner_.WindowProc(WM_QUERYDRAGICON, wParam, lParam));
    case WM_DPICHANGED:
      OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
      return FALSE;  // Windows 10's dialog manager then rescales the controls and their font
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK DialogWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DialogWindow*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, lParam);
    self->hwnd_ = hwnd;
    // Both buttons of the main template carry the default style; the default
    // command stays YES (IDOK), so Enter presses it.
    SendMessageA(hwnd, DM_SETDEFID, IDOK, 0);
    return FALSE;  // the framework sets the focus after its own initialisation
  }
  auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self != nullptr ? self->Handle(message, wParam, lParam) : FALSE;
}

}  // namespace ui::win32
