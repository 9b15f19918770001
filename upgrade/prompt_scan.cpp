#include "prompt_scan.h"

bool ScanForPrompt(const unsigned char* buffer, std::size_t from, std::size_t to, int& matched) {
  for (std::size_t p = from; p < to; ++p) {
    if (buffer[p] != static_cast<unsigned char>(kPromptPattern[matched])) {
      matched = 0;
      continue;
    }
    if (matched == kPromptMatchLength - 1) return true;
    ++matched;
  }
  return false;
}
