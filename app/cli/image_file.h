#pragma once
// Batch mode's --image: only a regular file (links followed) that can hold an
// image the progress bar can count, checked as it is read, before any port
// is opened.
#include <string>

namespace cli {

// Fills `bytes` with the whole checked file. On failure `why` is one line
// naming the file and the reason ("FILE:LINE: ..." for a bad record), and
// nothing half-read is kept.
bool ReadImageFile(const std::string& path, std::string& bytes, std::string& why);

}  // namespace cli
