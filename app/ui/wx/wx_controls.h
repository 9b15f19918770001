#pragma once
// Controls of a wx dialog, created from their templates.
#include <memory>
#include <string>

#include "app/ui/dialog_units.h"
#include "app/ui/window_peer.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/window.h>

namespace ui::wx {

class WxControl : public ControlPeer {
 public:
  virtual wxWindow* Window() const = 0;
  // Text, progress and selection messages only; drawing does nothing.
  LRESULT Send(UINT, WPARAM, LPARAM) override { return 0; }
  void Invalidate(bool) override {}
  void Update() override {}
  void DrawText(const TextRun&) override {}
  void SetText(const std::string& text) override;
  std::string GetText() const override;
};

std::unique_ptr<WxControl> CreateControl(wxWindow* parent, const ControlTemplate& tmpl,
                                         const PixelRect& rect);

// Text of the program (UTF-8, or single bytes when it is not valid UTF-8) for wx.
wxString ToWx(const std::string& text);
std::string FromWx(const wxString& text);

}  // namespace ui::wx
