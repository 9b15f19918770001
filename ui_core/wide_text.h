#pragma once
// Texts cross the framework as UTF-8 and reach Windows as UTF-16, so Chinese
// captions and strings show whatever the system's code page.
#include "utf16_text.h"

namespace ui::win32 {

using utf16::Narrow;
using utf16::Widen;

}  // namespace ui::win32
