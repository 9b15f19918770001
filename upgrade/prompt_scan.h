#pragma once
// Looks for the boot loader's prompt in the receive buffer.
#include <cstddef>
#include <cstdint>

// Only "Lodar " takes part: the prompt's seventh character is never compared.
inline constexpr char kPromptPattern[] = "Lodar >";
inline constexpr int kPromptMatchLength = 6;

// Scans positions 0 to rxCount (at most size - 1). A byte that breaks a
// partial match is not tried again as the pattern's first letter.
bool ScanForPrompt(const unsigned char* buffer, std::size_t size, std::uint32_t rxCount);
