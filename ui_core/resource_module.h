#pragma once
// The program's resources, looked up by identifier. The framework declares the
// look-ups; the program's resource module (res/) defines them, as the resources
// of a Windows program are part of its executable.
#include "dialog_template.h"
#include "ui_winapi.h"

namespace ui {

// An icon in its two sizes, as XPM images.
struct IconImage {
  const char* const* large;  // 32 x 32
  const char* const* small;  // 16 x 16
};

const DialogTemplate* FindDialogTemplate(UINT id);
HICON FindIcon(UINT id);
// Empty when the string table has no such entry.
const char* FindString(UINT id);

}  // namespace ui
