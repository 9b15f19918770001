// The framework's resource look-ups on Windows: icons and strings come from the
// program's own resource section (the resource script); the dialog templates
// of res/dialogs.cpp serve only the headless backend there.
#include <map>
#include <string>

#include "ui_core/resource_module.h"
#include "ui_core/wide_text.h"

namespace ui {

HICON FindIcon(UINT id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

// The string table holds UTF-16; the framework takes UTF-8. Each string is
// converted once and kept for the program's life.
const char* FindString(UINT id) {
  static std::map<UINT, std::string> loaded;
  auto it = loaded.find(id);
  if (it == loaded.end()) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(GetModuleHandleA(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    it = loaded
             .emplace(id,
                      length > 0 ? win32::Narrow(std::wstring(text, static_cast<std::size_t>(length))) : "")
             .first;
  }
  return it->second.c_str();
}

}  // namespace ui
