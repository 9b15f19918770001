#pragma once
// The files a user names (an image, a trace, the record's folder) are named in
// UTF-8 inside the program. On Windows they are opened through the wide API,
// so a name in any language works whatever the system's code page; elsewhere
// the name's bytes are the file's.
#include <cstdio>
#include <filesystem>
#include <string>

std::filesystem::path NamedPath(const std::string& name);
// std::fopen for a name in UTF-8; errno says why when it fails.
std::FILE* OpenNamedFile(const std::string& name, const char* mode);
