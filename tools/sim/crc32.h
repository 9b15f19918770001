#pragma once
// CRC-32 (IEEE 802.3, reflected, as used by zip and cksum -a crc32b), computed incrementally.
#include <cstdint>
#include <string_view>

namespace sim {

class Crc32 {
 public:
  void update(std::string_view bytes);
  std::uint32_t value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t crc32Of(std::string_view bytes);

}  // namespace sim
