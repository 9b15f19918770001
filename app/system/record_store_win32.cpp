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

namespace {

HANDLE OpenForAppending(const std::string& path, DWORD access) {
  return CreateFileW(ui::win32::Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Whether the file ends inside a line: the last line cut short by a power cut
// or a full disk, which the next line must not be joined to. A file that
// cannot be read (opened for appending only) is taken as whole.
bool EndsMidLine(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return false;
  OVERLAPPED at{};
  const auto lastByte = static_cast<unsigned long long>(size.QuadPart - 1);
  at.Offset = static_cast<DWORD>(lastByte);
  at.OffsetHigh = static_cast<DWORD>(lastByte >> 32);
  char last = '\n';
  DWORD got = 0;
  return ReadFile(file, &last, 1, &got, &at) && got == 1 && last != '\n';
}

}  // namespace

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  // Append-only access: every write lands at the end of the file, after every other.
  HANDLE file = OpenForAppending(path, FILE_APPEND_DATA | FILE_READ_DATA);
  if (file == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED)
    file = OpenForAppending(path, FILE_APPEND_DATA);
  if (file == INVALID_HANDLE_VALUE) {
    error = path + ": " + SystemErrorText(GetLastError());
    return false;
  }
  const std::string text = (EndsMidLine(file) ? "\r\n" : "") + line + "\r\n";
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
