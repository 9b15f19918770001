#include "cmenu.h"

BOOL CMenu::AppendMenu(UINT flags, UINT id, LPCSTR text) {
  items_.push_back({flags, id, text ? text : ""});
  return TRUE;
}
