#include "station_settings.h"

#include "app/system/diagnostics.h"
#include "app/system/environment.h"
#include "image_pin.h"
#include "utf8_text.h"

namespace cli {
namespace {

// `text` made valid UTF-8; `what` joins `bad` when it was not.
void MakeValid(std::string& text, const char* what, std::string& bad) {
  std::size_t replaced = 0;
  text = ValidUtf8(text, &replaced);
  if (replaced > 0) bad += (bad.empty() ? "" : " and ") + std::string(what);
}

}  // namespace

std::string SettleStationTexts(CommandLine& line) {
  if (line.station.empty()) line.station = sys::EnvironmentVariable("ORVEX_STATION");
  std::string bad;
  MakeValid(line.station, "the station's name", bad);
  MakeValid(line.unit, "the unit", bad);
  if (!bad.empty())
    sys::Complain(bad + (bad.find(" and ") != std::string::npos ? " are" : " is") +
                  " not valid UTF-8: the record and the events carry U+FFFD for each byte that is not");
  if (!line.expectSha256.empty()) return "";
  const std::string pinned = sys::EnvironmentVariable("ORVEX_EXPECT_SHA256");
  if (pinned.empty()) return "";
  line.expectSha256 = ParseSha256(pinned);
  return line.expectSha256.empty() ? MalformedSha256("ORVEX_EXPECT_SHA256", pinned) : "";
}

}  // namespace cli
