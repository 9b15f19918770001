#include "wx_status_surface.h"

#include "gtk_accessible.h"
#include "wx_fonts.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/dcclient.h>

namespace ui::wx {
namespace {

thread_local int tPaintDepth = 0;

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

bool InsidePaint() { return tPaintDepth > 0; }
PaintScope::PaintScope() { ++tPaintDepth; }
PaintScope::~PaintScope() { --tPaintDepth; }

StatusSurface::StatusSurface(wxWindow* parent, wxWindowID id, wxPoint pos, wxSize size)
    : wxWindow(parent, id, pos, size, wxBORDER_SUNKEN), font_(StatusFont()) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &StatusSurface::OnPaint, this);
}

void StatusSurface::Blank() {
  surface_.Blank();
  Refresh();
  Publish();
}

void StatusSurface::Draw(const TextRun& run) {
  surface_.Draw(run);
  Refresh();
  PaintNow();
  Publish();
}

// Without this, painting starves behind queued input while the upgrade pumps.
void StatusSurface::PaintNow() {
  if (!InsidePaint()) wxWindow::Update();
}

void StatusSurface::OnPaint(wxPaintEvent&) {
  PaintScope painting;
  wxPaintDC dc(this);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  dc.SetFont(font_);
  dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
  dc.SetTextBackground(*wxWHITE);
  for (const TextRun& run : surface_.Runs()) {
    dc.SetTextForeground(wxColour(GetRValue(run.color), GetGValue(run.color), GetBValue(run.color)));
    dc.DrawText(ToWx(run.text), run.x, run.y);
  }
}

void StatusSurface::Publish() {
  std::string name = TrimRight(surface_.VisibleLine(0));
  std::string description = TrimRight(surface_.VisibleLine(20));
  if (name == publishedName_ && description == publishedDescription_) return;
  publishedName_ = std::move(name);
  publishedDescription_ = std::move(description);
  SetAccessibleText(GetHandle(), publishedName_, publishedDescription_);
  SetToolTip(ToWx(publishedName_ + "\n" + publishedDescription_));
}

void StatusSurfaceControl::Invalidate(bool erase) {
  if (erase)
    surface_->Blank();
  else
    surface_->Refresh();
}

void StatusSurfaceControl::DrawText(const TextRun& run) { surface_->Draw(run); }

}  // namespace ui::wx
