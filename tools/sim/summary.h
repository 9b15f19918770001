#pragma once
// What the simulated instrument saw of the dialogue and of the image.
#include <cstdint>
#include <string>

namespace sim {

struct Summary {
  // image
  unsigned long long bytes = 0, records = 0, badRecords = 0, garbageLines = 0;
  bool sawEnd = false, valid = false;
  std::uint32_t crc32 = 0;
  double firstByteSeconds = 0, lastByteSeconds = 0;  // since start()
  double bytesPerSecond = 0;
  double lineEfficiency = 0;  // bytes*10/baud divided by (last - first); 0 when unthrottled
  // dialogue
  unsigned long long probeBytes = 0, commands = 0;
  bool hungUp = false;
  unsigned long long images = 0;  // images ended so far (several in repeat mode)

  std::string toJson() const;
};

}  // namespace sim
