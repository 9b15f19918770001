#pragma once
// A dialog template: the dialog's caption, size and font, and its controls in tab
// order, with positions in dialog units. The program's resource module holds them.
#include <string>
#include <vector>

#include "ui_winapi.h"

namespace ui {

enum class ControlKind {
  PushButton,
  DefPushButton,
  Progress,      // progress bar
  DropDownList,  // combo box without typing
  ListBox,       // used as a drawing surface
  Static,        // left-aligned text
  Icon,          // picture of an icon resource
};

struct DluRect {
  int x = 0, y = 0, cx = 0, cy = 0;
};

struct ControlTemplate {
  int id = 0;
  ControlKind kind = ControlKind::Static;
  std::string text;
  DluRect rect;
  bool tabStop = false;
  UINT iconId = 0;                 // ControlKind::Icon only
  std::vector<std::string> items;  // initial strings of a combo box
};

struct DialogTemplate {
  UINT id = 0;
  std::string caption;
  int cx = 0, cy = 0;
  std::string fontFace;
  int fontPoints = 9;
  std::vector<ControlTemplate> controls;
};

}  // namespace ui
