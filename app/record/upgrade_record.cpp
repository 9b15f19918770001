#include "upgrade_record.h"

#include <cstdio>
#include <utility>

#include "app/system/system.h"
#include "res/status_texts.h"
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

}  // namespace

const char* OutcomeCode(const std::string& statusText) {
  if (statusText == kCompleteText) return "complete";
  if (statusText == kProbeTimeOutText) return "probe-timeout";
  if (statusText == kCommandTimeOutText) return "command-timeout";
  if (statusText == kPortFailedText) return "port-error";
  if (statusText == kTransferFailedText) return "transfer-failed";
  return "unknown";
}

std::string RecordLine(const std::string& started, const std::string& port, const std::string& device,
                       const ImageIdentity& image, const std::string& statusText, double seconds,
                       unsigned long long bytesSent) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f", seconds);
  return "{\"started\":" + JsonString(started) + ",\"port\":" + JsonString(port) +
         ",\"device\":" + JsonString(device) + ",\"imageBytes\":" + std::to_string(image.bytes) +
         ",\"imageSha256\":" + JsonString(image.sha256) +
         ",\"outcome\":" + JsonString(OutcomeCode(statusText)) + ",\"status\":" + JsonString(statusText) +
         ",\"seconds\":" + duration + ",\"bytesSent\":" + std::to_string(bytesSent) + "}";
}

UpgradeRecord::UpgradeRecord(ImageIdentity image, UpgradeListener* next)
    : image_(std::move(image)), next_(next) {}

void UpgradeRecord::Started(int portIndex) {
  started_ = sys::UtcNow();
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

void UpgradeRecord::Ended(const char* text) {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  Write(RecordLine(started_, port_, device_, image_, text, seconds, sent_));
  if (next_ != nullptr) next_->Ended(text);
}

void UpgradeRecord::Write(const std::string& line) {
  std::string error;
  const std::string folder = sys::RecordFolder(error);
  if (!folder.empty() && sys::AppendLine(folder + "/upgrades.jsonl", line, error)) return;
  if (complained_) return;
  complained_ = true;
  sys::Complain("the upgrade record cannot be written (" + error + "); upgrades go on without it");
}
