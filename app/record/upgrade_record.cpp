#include "upgrade_record.h"

#include <cstdio>
#include <utility>

#include "app/system/diagnostics.h"
#include "app/system/record_store.h"
#include "json_string.h"
#include "json_text.h"
#include "res/version.h"
#include "serial/port_failure.h"
#include "serial/port_tables.h"
#include "site_entry.h"

namespace {

std::string AdapterObject(const sys::UsbAdapter& adapter) {
  return "{\"vendorId\":" + JsonString(adapter.vendorId) + ",\"productId\":" + JsonString(adapter.productId) +
         ",\"serial\":" + JsonString(adapter.serial) + "}";
}

}  // namespace

std::string RecordLine(const RecordContext& context, const RecordEntry& entry) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f", entry.seconds);
  std::string line = "{\"v\":" + std::to_string(kRecordSchema) + ",\"started\":" + JsonString(entry.started) +
                     ",\"port\":" + JsonString(entry.port) + ",\"device\":" + JsonString(entry.device) +
                     ",\"imageBytes\":" + std::to_string(context.image.bytes) +
                     ",\"imageSha256\":" + JsonString(context.image.sha256) +
                     ",\"outcome\":" + JsonString(OutcomeCode(entry.outcome)) +
                     ",\"status\":" + JsonString(entry.status) + ",\"seconds\":" + duration +
                     ",\"bytesSent\":" + std::to_string(entry.bytesSent) +
                     ",\"program\":" + JsonString(ORVEX_VERSION_TEXT) +
                     ",\"host\":" + JsonString(context.host) + ",\"ended\":" + JsonString(entry.ended) +
                     ",\"exitCode\":" + std::to_string(ExitCodeFor(entry.outcome)) +
                     ",\"probeAttempts\":" + std::to_string(entry.probeAttempts) +
                     ",\"commandAttempts\":" + std::to_string(entry.commandAttempts);
  if (!context.station.empty()) line += ",\"station\":" + JsonString(context.station);
  if (!context.unit.empty()) line += ",\"unit\":" + JsonString(context.unit);
  if (!entry.adapter.vendorId.empty()) line += ",\"adapter\":" + AdapterObject(entry.adapter);
  return line + "}";
}

UpgradeRecord::UpgradeRecord(RecordContext context, UpgradeListener* next)
    : ForwardingListener(next), context_(std::move(context)) {
  if (context_.host.empty()) context_.host = sys::HostName();
}

UpgradeRecord::~UpgradeRecord() { sys::AwaitSiteLog(); }

void UpgradeRecord::Started(int portIndex) {
  entry_ = RecordEntry{};
  entry_.started = UtcNow();
  start_ = std::chrono::steady_clock::now();
  entry_.port = PortName(portIndex);
  entry_.device = entry_.port.empty() ? "" : sys::DeviceOf(entry_.port);
  entry_.adapter = entry_.port.empty() ? sys::UsbAdapter{} : sys::UsbAdapterOf(entry_.port);
  ForwardingListener::Started(portIndex);
}

void UpgradeRecord::Attempts(UpgradeStep step, int attempts) {
  (step == UpgradeStep::kProbe ? entry_.probeAttempts : entry_.commandAttempts) = attempts;
  ForwardingListener::Attempts(step, attempts);
}

void UpgradeRecord::Sent(DWORD bytes) {
  entry_.bytesSent = bytes;
  ForwardingListener::Sent(bytes);
}

void UpgradeRecord::Ended(UpgradeOutcome outcome, const char* text) {
  entry_.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  entry_.ended = UtcNowMilliseconds();
  entry_.outcome = outcome;
  entry_.status = text;
  const std::string line = RecordLine(context_, entry_);
  Write(line);
  // Handed over: the end event does not wait for the system log.
  sys::SendToSiteLog(SiteEntry(context_, entry_, line));
  ForwardingListener::Ended(outcome, text);
  // A failed port's end comes just before the process's: its entry goes first.
  if (ProcessEnding()) sys::AwaitSiteLog();
}

void UpgradeRecord::Write(const std::string& line) {
  std::string error;
  const std::string folder = sys::RecordFolder(error);
  if (!folder.empty() && sys::AppendLine(folder + "/upgrades.jsonl", line, error)) return;
  if (complained_) return;
  complained_ = true;
  sys::Complain("the upgrade record cannot be written (" + error + "); upgrades go on without it");
}
