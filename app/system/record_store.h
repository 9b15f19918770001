#pragma once
// Where the upgrade record lives and how a line reaches it.
// record_store_posix.cpp or record_store_win32.cpp, chosen by the build.
#include <string>

namespace sys {

// The folder of the upgrade record, created when missing; empty when it cannot be.
std::string RecordFolder(std::string& error);
// Appends `line` to the file in one write and flushes it to the disk.
bool AppendLine(const std::string& path, const std::string& line, std::string& error);
// This machine's name.
std::string HostName();

}  // namespace sys
