#include "sim/summary.h"

#include <cstdio>

namespace sim {

std::string Summary::toJson() const {
  char text[640];
  std::snprintf(text, sizeof text,
                "{\"valid\":%s,\"sawEnd\":%s,\"bytes\":%llu,\"records\":%llu,\"badRecords\":%llu,"
                "\"garbageLines\":%llu,\"crc32\":\"%08x\",\"firstByteSeconds\":%.6f,\"lastByteSeconds\":%.6f,"
                "\"bytesPerSecond\":%.1f,\"lineEfficiency\":%.4f,\"probeBytes\":%llu,\"commands\":%llu,"
                "\"hungUp\":%s,\"images\":%llu}",
                valid ? "true" : "false", sawEnd ? "true" : "false", bytes, records, badRecords, garbageLines,
                static_cast<unsigned>(crc32), firstByteSeconds, lastByteSeconds, bytesPerSecond,
                lineEfficiency, probeBytes, commands, hungUp ? "true" : "false", images);
  return text;
}

}  // namespace sim
