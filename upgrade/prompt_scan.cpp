#include "prompt_scan.h"

#include <algorithm>

bool ScanForPrompt(const unsigned char* buffer, std::size_t size, std::uint32_t rxCount) {
  if (size == 0) return false;
  const std::size_t last = std::min<std::size_t>(rxCount, size - 1);
  int matched = 0;
  for (std::size_t p = 0; p <= last; ++p) {
    if (buffer[p] != static_cast<unsigned char>(kPromptPattern[matched])) {
      matched = 0;
      continue;
    }
    if (matched == kPromptMatchLength - 1) return true;
    ++matched;
  }
  return false;
}
