#pragma once
// Looks for the boot loader's prompt in the receive buffer.
#include <cstddef>

// Only "Lodar " takes part: the prompt's seventh character is never compared.
inline constexpr char kPromptPattern[] = "Lodar >";
inline constexpr int kPromptMatchLength = 6;

// Scans positions `from` to `to` - 1, going on from `matched` characters
// already matched by the previous scan (whose bytes came just before these)
// and leaving the new count there. A byte that breaks a partial match is not
// tried again as the pattern's first letter.
bool ScanForPrompt(const unsigned char* buffer, std::size_t from, std::size_t to, int& matched);
