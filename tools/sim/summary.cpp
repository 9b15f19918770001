#include "sim/summary.h"

#include <cstdio>

namespace sim {
namespace {

class JsonObject {
 public:
  void addRaw(std::string_view name, std::string_view value) {
    text_ += text_.empty() ? "{\"" : ",\"";
    text_ += name;
    text_ += "\":";
    text_ += value;
  }
  void add(std::string_view name, bool value) { addRaw(name, value ? "true" : "false"); }
  void add(std::string_view name, unsigned long long value) { addRaw(name, std::to_string(value)); }
  void add(std::string_view name, double value, const char* format) {
    char number[64];
    std::snprintf(number, sizeof number, format, value);
    addRaw(name, number);
  }
  void addText(std::string_view name, std::string_view value) {
    addRaw(name, "\"" + std::string(value) + "\"");
  }
  std::string close() { return text_ + "}"; }

 private:
  std::string text_;
};

}  // namespace

std::string Summary::toJson() const {
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(crc32));
  JsonObject json;
  json.add("valid", valid);
  json.add("sawEnd", sawEnd);
  json.add("bytes", bytes);
  json.add("records", records);
  json.add("badRecords", badRecords);
  json.add("garbageLines", garbageLines);
  json.add("lineEndErrors", lineEndErrors);
  json.add("outOfOrderRecords", outOfOrderRecords);
  json.add("trailingBytes", trailingBytes);
  json.add("problemLine", problemLine);
  json.addText("problem", problem);
  json.addText("crc32", crc);
  json.add("firstByteSeconds", firstByteSeconds, "%.6f");
  json.add("lastByteSeconds", lastByteSeconds, "%.6f");
  json.add("bytesPerSecond", bytesPerSecond, "%.1f");
  json.add("lineEfficiency", lineEfficiency, "%.4f");
  if (expectChecked) {
    json.add("matchesExpected", matchesExpected);
    if (!matchesExpected) json.add("firstDifference", firstDifference);
  }
  json.add("probeBytes", probeBytes);
  json.add("commands", commands);
  json.add("lostBytes", lostBytes);
  json.add("noiseBytes", noiseBytes);
  json.add("repeatedCommands", repeatedCommands);
  json.add("hungUp", hungUp);
  json.add("images", images);
  return json.close();
}

}  // namespace sim
