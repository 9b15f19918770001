#include "site_entry.h"

#include <cstdio>
#include <utility>

#include "res/version.h"
#include "upgrade/upgrade_outcome.h"

namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

sys::SiteLogLevel LevelOf(UpgradeOutcome outcome) {
  if (outcome == UpgradeOutcome::kComplete) return sys::SiteLogLevel::kInformation;
  if (outcome == UpgradeOutcome::kAbandoned || outcome == UpgradeOutcome::kInterrupted)
    return sys::SiteLogLevel::kWarning;
  return sys::SiteLogLevel::kError;
}

// A name given on the command line may hold line breaks; the summary is one line.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return text;
}

std::string Summary(const RecordContext& context, const RecordEntry& entry) {
  std::string summary = "upgrade on " + entry.port + ": " + OutcomeCode(entry.outcome) + " after " +
                        Seconds(entry.seconds) + " s";
  if (!context.station.empty()) summary += ", station " + OneLine(context.station);
  if (!context.unit.empty()) summary += ", unit " + OneLine(context.unit);
  return summary;
}

}  // namespace

sys::SiteLogEntry SiteEntry(const RecordContext& context, const RecordEntry& entry, const std::string& line) {
  sys::SiteLogEntry site{LevelOf(entry.outcome), Summary(context, entry), {}, line};
  auto add = [&site](const char* name, std::string value) {
    site.fields.emplace_back(name, std::move(value));
  };
  add("v", std::to_string(kRecordSchema));
  add("started", entry.started);
  add("port", entry.port);
  add("device", entry.device);
  add("imageBytes", std::to_string(context.image.bytes));
  add("imageSha256", context.image.sha256);
  add("outcome", OutcomeCode(entry.outcome));
  add("status", entry.status);
  add("seconds", Seconds(entry.seconds));
  add("bytesSent", std::to_string(entry.bytesSent));
  add("program", ORVEX_VERSION_TEXT);
  add("host", context.host);
  add("ended", entry.ended);
  add("exitCode", std::to_string(ExitCodeFor(entry.outcome)));
  add("probeAttempts", std::to_string(entry.probeAttempts));
  add("commandAttempts", std::to_string(entry.commandAttempts));
  if (!context.station.empty()) add("station", context.station);
  if (!context.unit.empty()) add("unit", context.unit);
  if (!entry.adapter.vendorId.empty()) {
    add("adapter.vendorId", entry.adapter.vendorId);
    add("adapter.productId", entry.adapter.productId);
    add("adapter.serial", entry.adapter.serial);
  }
  return site;
}
