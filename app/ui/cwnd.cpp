#include "cwnd.h"

#include <algorithm>
#include <cstring>

void CWnd::SetWindowText(LPCSTR text) {
  if (peer_) peer_->SetText(text ? text : "");
}

std::string CWnd::GetWindowText() const { return peer_ ? peer_->GetText() : std::string(); }

int CWnd::GetWindowText(char* buffer, int size) const {
  if (size <= 0) return 0;
  const std::string text = GetWindowText();
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

ui::ControlPeer* CWnd::ControlPeer() const { return dynamic_cast<ui::ControlPeer*>(peer_); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  ui::ControlPeer* control = ControlPeer();
  return control ? control->Send(message, wParam, lParam) : 0;
}

CDC* CWnd::GetDC() { return new CDC(ControlPeer()); }

int CWnd::ReleaseDC(CDC* dc) {
  delete dc;
  return dc ? 1 : 0;
}

void CWnd::InvalidateRect(const void*, BOOL erase) {
  if (ui::ControlPeer* control = ControlPeer()) control->Invalidate(erase != FALSE);
}

void CWnd::UpdateWindow() {
  if (ui::ControlPeer* control = ControlPeer()) control->Update();
}
