#include "sim/crc32.h"

#include <array>

namespace sim {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr auto kTable = makeTable();

}  // namespace

void Crc32::update(std::string_view bytes) {
  for (const char c : bytes) state_ = kTable[(state_ ^ static_cast<std::uint8_t>(c)) & 0xFFu] ^ (state_ >> 8);
}

std::uint32_t crc32Of(std::string_view bytes) {
  Crc32 crc;
  crc.update(bytes);
  return crc.value();
}

}  // namespace sim
