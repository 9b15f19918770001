#pragma once
// What has been drawn on a control since it was last blanked: an ordered list of
// text runs. Backends that cannot draw outside a paint event replay the list when
// they paint; the headless backend reads the visible lines from it.
#include <string>
#include <vector>

#include "ui_core/ui_winapi.h"

namespace ui {

struct TextRun {
  int x = 0;
  int y = 0;
  std::string text;
  COLORREF color = 0;
};

class TextSurface {
 public:
  void Blank() { runs_.clear(); }
  void Draw(TextRun run) { runs_.push_back(std::move(run)); }
  const std::vector<TextRun>& Runs() const { return runs_; }

  // The characters visible on the line drawn at y: each run covers the cells
  // under its own characters, counted from the left edge, so a shorter text
  // leaves the tail of a longer one visible. Empty when nothing was drawn there.
  std::string VisibleLine(int y) const;
  // The y of every line drawn on, ascending.
  std::vector<int> LineOffsets() const;

 private:
  std::vector<TextRun> runs_;
};

}  // namespace ui
