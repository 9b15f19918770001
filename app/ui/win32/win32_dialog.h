#pragma once
// Win32 windows behind the framework's dialogs: each dialog is created from
// the resource template of the same identifier in the program's own module,
// its controls are the template's child windows.
#include <map>
#include <memory>
#include <string>

#include "app/ui/window_peer.h"

namespace ui::win32 {

class ControlWindow final : public ControlPeer {
 public:
  explicit ControlWindow(HWND hwnd) : hwnd_(hwnd) {}
  ~ControlWindow() override;
  ControlWindow(const ControlWindow&) = delete;
  ControlWindow& operator=(const ControlWindow&) = delete;

  void SetText(const std::string& text) override;
  std::string GetText() const override;
  LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Invalidate(bool erase) override;
  void Update() override;
  void DrawText(const TextRun& run) override;

 private:
  HFONT TextFont(UINT dpi);

  HWND hwnd_;
  HFONT font_ = nullptr;  // the system font scaled to fontDpi_; none at 96 DPI
  UINT fontDpi_ = 0;
};

class DialogWindow final : public DialogPeer {
 public:
  DialogWindow(const DialogTemplate& tmpl, CDialog& owner);
  ~DialogWindow() override;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;

  bool Created() const { return hwnd_ != nullptr; }

  void SetText(const std::string& text) override;
  std::string GetText() const override;
  ControlPeer* Control(int id) override;
  void SetIcon(HICON icon, bool big) override;
  void SetFocus(int controlId) override;
  INT_PTR RunModal() override;
  void EndModal(INT_PTR result) override;

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void OnDpiChanged(const RECT& suggested);
  void AppendSystemMenuItems();

  CDialog& owner_;
  HWND hwnd_ = nullptr;
  HWND ownerWindow_ = nullptr;
  std::map<int, std::unique_ptr<ControlWindow>> controls_;
  HICON bigIcon_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = 0;
};

}  // namespace ui::win32
