#include <string>

#include "diagnostics.h"
#include "environment.h"
#include "record_store.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

namespace sys {

// Through the wide API: a user's folder may be named in any language.
std::string RecordFolder(std::string& error) {
  const std::string base = EnvironmentVariable("LOCALAPPDATA");
  if (base.empty()) {
    error = "LOCALAPPDATA is not set";
    return "";
  }
  const std::string folder = base + "\\ORVEX";
  if (!CreateDirectoryW(ui::win32::Widen(folder).c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    error = folder + ": " + SystemErrorText(GetLastError());
    return "";
  }
  return folder;
}

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  // Append-only access: every write lands at the end of the file, after every other.
  HANDLE file =
      CreateFileW(ui::win32::Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = path + ": " + SystemErrorText(GetLastError());
    return false;
  }
  const std::string text = line + "\r\n";
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  if (!ok) error = path + ": " + SystemErrorText(GetLastError());
  CloseHandle(file);
  return ok;
}

std::string HostName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  return GetComputerNameW(name, &size) ? ui::win32::Narrow(name) : "";
}

}  // namespace sys
