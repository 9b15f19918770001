#pragma once
// The files a user names (an image, a trace, the record's folder) are named in
// UTF-8 inside the program. On Windows they are opened through the wide API,
// so a name in any language works whatever the system's code page; elsewhere
// the name's bytes are the file's.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

std::filesystem::path NamedPath(const std::string& name);
// std::fopen for a name in UTF-8; errno says why when it fails.
std::FILE* OpenNamedFile(const std::string& name, const char* mode);
// A FIFO (or pipe) opened to read, once a program writes into it: null with
// errno ENXIO when none has within `wait`, so that a FIFO nobody feeds does
// not hold its reader forever. Windows names no FIFO by a file name: there it
// is OpenNamedFile(name, "rb").
std::FILE* OpenNamedFifo(const std::string& name, std::chrono::milliseconds wait);
