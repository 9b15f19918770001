#include <string>

#include "diagnostics.h"
#include "record_store.h"
#include "winapi.h"

namespace sys {

std::string RecordFolder(std::string& error) {
  char base[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
  if (length == 0 || length >= sizeof base) {
    error = "LOCALAPPDATA is not set";
    return "";
  }
  const std::string folder = std::string(base) + "\\ORVEX";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    error = folder + ": " + SystemErrorText(GetLastError());
    return "";
  }
  return folder;
}

bool AppendLine(const std::string& path, const std::string& line, std::string& error) {
  // Append-only access: every write lands at the end of the file, after every other.
  HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? name : "";
}

}  // namespace sys
