#include "named_file.h"

#include "utf16_text.h"

std::filesystem::path NamedPath(const std::string& name) { return utf16::Widen(name); }

std::FILE* OpenNamedFile(const std::string& name, const char* mode) {
  return _wfopen(utf16::Widen(name).c_str(), utf16::Widen(mode).c_str());
}

std::FILE* OpenNamedFifo(const std::string& name, std::chrono::milliseconds /*wait*/) {
  return OpenNamedFile(name, "rb");
}
