#include "named_file.h"

std::filesystem::path NamedPath(const std::string& name) { return name; }

std::FILE* OpenNamedFile(const std::string& name, const char* mode) { return std::fopen(name.c_str(), mode); }
