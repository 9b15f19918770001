#pragma once
// Modal message boxes of the dialog framework. Any thread may ask for one; the
// caller waits until the operator confirms it. The active backend (wx, win32,
// headless, or a test) decides how the box is shown.
#include <functional>

#include "winapi.h"

int AfxMessageBox(LPCSTR text, UINT type = MB_OK, UINT helpId = 0);

namespace ui {

using MessageBoxHandler = std::function<int(const char* text, UINT type)>;

// Installs the handler every AfxMessageBox goes through and returns the previous
// one. An empty handler restores the default, which prints the text to standard
// error and confirms at once.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace ui
