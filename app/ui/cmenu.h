#pragma once
// The items a program appends to a window's system menu. Backends without an
// extendable window menu offer them in another place (see the wx backend).
#include <string>
#include <vector>

#include "ui_core/ui_winapi.h"

class CMenu {
 public:
  struct Item {
    UINT flags = MF_STRING;
    UINT id = 0;
    std::string text;
  };

  BOOL AppendMenu(UINT flags, UINT id = 0, LPCSTR text = nullptr);
  const std::vector<Item>& Items() const { return items_; }

 private:
  std::vector<Item> items_;
};
