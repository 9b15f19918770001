#pragma once
// The list box that serves only as a drawing surface. GTK cannot draw outside a
// paint event reliably, so the surface keeps what was drawn since it was last
// blanked and replays it on every paint. Assistive technology reads the visible
// lines as the control's accessible name (first line) and description (second).
#include <string>

#include "app/ui/text_surface.h"
#include "wx_controls.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/window.h>

namespace ui::wx {

class StatusSurface : public wxWindow {
 public:
  StatusSurface(wxWindow* parent, wxWindowID id, wxPoint pos, wxSize size);

  void Blank();
  void Draw(const TextRun& run);
  // Paints the surface now, unless a paint event is being handled already.
  void PaintNow();

 private:
  void OnPaint(wxPaintEvent& event);
  void Publish();

  TextSurface surface_;
  wxFont font_;
  std::string publishedName_;
  std::string publishedDescription_;
};

class StatusSurfaceControl : public WxControl {
 public:
  explicit StatusSurfaceControl(StatusSurface* surface) : surface_(surface) {}
  wxWindow* Window() const override { return surface_; }
  void Invalidate(bool erase) override;
  void Update() override { surface_->PaintNow(); }
  void DrawText(const TextRun& run) override;

 private:
  StatusSurface* surface_;
};

// True while a dialog or control paint event is handled on this thread.
bool InsidePaint();

class PaintScope {
 public:
  PaintScope();
  ~PaintScope();
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
};

}  // namespace ui::wx
