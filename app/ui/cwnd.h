#pragma once
// A window of the dialog framework: a dialog or one of its controls, reached
// through its backend peer. The calls mirror the Windows class library's.
#include <string>

#include "cdc.h"
#include "ui_core/ui_winapi.h"
#include "window_peer.h"

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  void SetWindowText(LPCSTR text);
  int GetWindowText(char* buffer, int size) const;
  std::string GetWindowText() const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Drawing outside painting: the context draws on this control until released.
  CDC* GetDC();
  int ReleaseDC(CDC* dc);
  void InvalidateRect(const void* rect, BOOL erase = TRUE);
  void UpdateWindow();

  bool IsAttached() const { return peer_ != nullptr; }
  void Attach(ui::WindowPeer* peer) { peer_ = peer; }
  void Detach() { peer_ = nullptr; }

 protected:
  ui::WindowPeer* Peer() const { return peer_; }

 private:
  ui::ControlPeer* ControlPeer() const;
  ui::WindowPeer* peer_ = nullptr;
};

class CListBox : public CWnd {};

class CComboBox : public CWnd {
 public:
  int GetCurSel() { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
};
