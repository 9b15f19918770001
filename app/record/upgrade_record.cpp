#include "upgrade_record.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "app/system/system.h"
#include "serial/port_tables.h"

namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// Now in UTC, ISO 8601 to the second.
std::string UtcNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace

std::string RecordLine(const std::string& started, const std::string& port, const std::string& device,
                       const ImageIdentity& image, UpgradeOutcome outcome, const std::string& statusText,
                       double seconds, unsigned long long bytesSent) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f", seconds);
  return "{\"started\":" + JsonString(started) + ",\"port\":" + JsonString(port) +
         ",\"device\":" + JsonString(device) + ",\"imageBytes\":" + std::to_string(image.bytes) +
         ",\"imageSha256\":" + JsonString(image.sha256) + ",\"outcome\":" + JsonString(OutcomeCode(outcome)) +
         ",\"status\":" + JsonString(statusText) + ",\"seconds\":" + duration +
         ",\"bytesSent\":" + std::to_string(bytesSent) + "}";
}

UpgradeRecord::UpgradeRecord(ImageIdentity image, UpgradeListener* next)
    : image_(std::move(image)), next_(next) {}

void UpgradeRecord::Started(int portIndex) {
  started_ = UtcNow();
  start_ = std::chrono::steady_clock::now();
  sent_ = 0;
  const bool known = portIndex >= 0 && static_cast<std::size_t>(portIndex) < kPortNames.size();
  port_ = known ? kPortNames[static_cast<std::size_t>(portIndex)] : "";
  device_ = known ? sys::DeviceOf(port_) : "";
  if (next_ != nullptr) next_->Started(portIndex);
}

void UpgradeRecord::Status(const char* text) {
  if (next_ != nullptr) next_->Status(text);
}

void UpgradeRecord::Transferring(DWORD imageBytes) {
  if (next_ != nullptr) next_->Transferring(imageBytes);
}

void UpgradeRecord::Sent(DWORD bytes) {
  sent_ = bytes;
  if (next_ != nullptr) next_->Sent(bytes);
}

void UpgradeRecord::Ended(UpgradeOutcome outcome, const char* text) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  Write(RecordLine(started_, port_, device_, image_, outcome, text, seconds, sent_));
  if (next_ != nullptr) next_->Ended(outcome, text);
}

void UpgradeRecord::Write(const std::string& line) {
  std::string error;
  const std::string folder = sys::RecordFolder(error);
  if (!folder.empty() && sys::AppendLine(folder + "/upgrades.jsonl", line, error)) return;
  if (complained_) return;
  complained_ = true;
  sys::Complain("the upgrade record cannot be written (" + error + "); upgrades go on without it");
}
