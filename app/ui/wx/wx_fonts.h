#pragma once
// Fonts of the wx backend.
#include <string>

#include "ui_core/ui_winapi.h"

// The toolkit comes after the framework headers: its TRUE and FALSE are macros.
#include <wx/font.h>

namespace ui::wx {

// The template's dialog font, or a font with CJK glyphs of the same size when
// the face is not installed.
wxFont DialogFont(const std::string& face, int points);
// The default font of a drawing context on a Windows display: bold, 16 pixels.
wxFont StatusFont();

}  // namespace ui::wx
