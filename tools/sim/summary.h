#pragma once
// What the simulated instrument saw of the dialogue and of the image.
#include <cstdint>
#include <string>
#include <string_view>

namespace sim {

struct Summary {
  // image
  unsigned long long bytes = 0, records = 0, badRecords = 0, garbageLines = 0;
  unsigned long long lineEndErrors = 0, outOfOrderRecords = 0, trailingBytes = 0;
  unsigned long long problemLine = 0;  // 1-based line of the first fault; 0: none
  std::string_view problem;            // what that fault is (a fixed text)
  bool sawEnd = false, valid = false;
  std::uint32_t crc32 = 0;
  double firstByteSeconds = 0, lastByteSeconds = 0;  // since start()
  double bytesPerSecond = 0;
  double lineEfficiency = 0;  // bytes*10/baud divided by (last - first); 0 when unthrottled
  // the image compared with the expected one, when there is one
  bool expectChecked = false, matchesExpected = false;
  unsigned long long firstDifference = 0;  // offset of the first byte that differs
  // dialogue
  unsigned long long probeBytes = 0, commands = 0;
  unsigned long long lostBytes = 0;         // arrived while the instrument was off
  unsigned long long noiseBytes = 0;        // arrived before the prompt, other than probes
  unsigned long long repeatedCommands = 0;  // update commands again after the reply, before the image
  bool hungUp = false;
  unsigned long long images = 0;  // images ended so far (several in repeat mode)

  std::string toJson() const;
};

}  // namespace sim
