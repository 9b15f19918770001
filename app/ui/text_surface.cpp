#include "text_surface.h"

#include <algorithm>

namespace ui {

std::string TextSurface::VisibleLine(int y) const {
  std::string line;
  for (const TextRun& run : runs_) {
    if (run.y != y) continue;
    if (line.size() < run.text.size()) line.resize(run.text.size(), ' ');
    std::copy(run.text.begin(), run.text.end(), line.begin());
  }
  return line;
}

std::vector<int> TextSurface::LineOffsets() const {
  std::vector<int> offsets;
  for (const TextRun& run : runs_) offsets.push_back(run.y);
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  return offsets;
}

}  // namespace ui
