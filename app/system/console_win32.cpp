#include <io.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "console.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

namespace sys {

bool HaveDisplay() { return true; }

TerminalSize OutputTerminalSize() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout)));
  if (out == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out, &info)) return {};
  return {info.srWindow.Bottom - info.srWindow.Top + 1, info.srWindow.Right - info.srWindow.Left + 1};
}

std::string BackOverLines(int lines) {
  HANDLE out = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stdout)));
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (out == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(out, &info))
    return (lines > 0 ? "\x1b[" + std::to_string(lines) + "A" : std::string()) + "\r\x1b[J";
  std::fflush(stdout);
  const COORD at{0, static_cast<SHORT>(std::max<int>(info.dwCursorPosition.Y - lines, info.srWindow.Top))};
  const DWORD cells = static_cast<DWORD>(info.dwSize.Y - at.Y) * static_cast<DWORD>(info.dwSize.X);
  DWORD done = 0;
  FillConsoleOutputCharacterW(out, L' ', cells, at, &done);
  FillConsoleOutputAttribute(out, info.wAttributes, cells, at, &done);
  SetConsoleCursorPosition(out, at);
  return "";
}

void WaitForResize() { Sleep(INFINITE); }

bool OutputIsTerminal() { return _isatty(_fileno(stdout)) != 0; }

// A program of the window subsystem has no console of its own; started from a
// console (batch mode), it writes to that one.
void UseStartingConsole() {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out != nullptr && out != INVALID_HANDLE_VALUE) return;  // redirected to a file or a pipe
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
}

// A write to a closed pipe fails with an error on Windows: there is no signal to ignore.
void IgnoreLostOutput() {}

bool WriteToConsole(std::FILE* stream, const std::string& text) {
  HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return false;
  std::fflush(stream);  // what went out through the C runtime comes first
  const std::wstring wide = ui::win32::Widen(text);
  DWORD written = 0;
  return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
}

}  // namespace sys
