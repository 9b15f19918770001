#pragma once
// SHA-256 of a byte string, as 64 lower-case hexadecimal digits: names the
// image an instrument received in the upgrade record.
#include <cstddef>
#include <string>

std::string Sha256Hex(const unsigned char* bytes, std::size_t size);
