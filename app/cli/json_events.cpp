#include "json_events.h"

#include <cstdio>
#include <utility>

#include "app/record/json_text.h"
#include "app/system/output.h"
#include "json_string.h"
#include "percent_sent.h"
#include "res/version.h"
#include "serial/port_tables.h"

namespace cli {

JsonEvents::JsonEvents(RecordContext context, UpgradeListener* next)
    : ForwardingListener(next), context_(std::move(context)) {}

void JsonEvents::Emit(const std::string& event, const std::string& fields) const {
  sys::Print(stdout, "{\"event\":" + JsonString(event) + ",\"port\":" + JsonString(port_) + fields + "}\n");
}

void JsonEvents::Started(int portIndex) {
  port_ = PortName(portIndex);
  start_ = std::chrono::steady_clock::now();
  sent_ = 0;
  percent_ = -1;
  Emit("start", ",\"v\":" + std::to_string(kEventSchema) + ",\"program\":" + JsonString(ORVEX_VERSION_TEXT) +
                    ",\"device\":" + JsonString(port_.empty() ? "" : sys::DeviceOf(port_)) +
                    ",\"imageBytes\":" + std::to_string(context_.image.bytes) +
                    ",\"imageSha256\":" + JsonString(context_.image.sha256));
  ForwardingListener::Started(portIndex);
}

void JsonEvents::Status(int line, const char* text) {
  Emit("status", ",\"line\":" + std::to_string(line) + ",\"text\":" + JsonString(text));
  ForwardingListener::Status(line, text);
}

void JsonEvents::Transferring(DWORD imageBytes) {
  total_ = imageBytes;
  ForwardingListener::Transferring(imageBytes);
}

void JsonEvents::Sent(DWORD bytes) {
  sent_ = bytes;
  const int percent = static_cast<int>(PercentSent(bytes, total_));
  if (percent > percent_) {
    percent_ = percent;
    Emit("progress", ",\"bytesSent\":" + std::to_string(bytes) + ",\"total\":" + std::to_string(total_) +
                         ",\"percent\":" + std::to_string(percent));
  }
  ForwardingListener::Sent(bytes);
}

void JsonEvents::Ended(UpgradeOutcome outcome, const char* text) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.3f",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count());
  Emit("end", ",\"outcome\":" + JsonString(OutcomeCode(outcome)) +
                  ",\"exitCode\":" + std::to_string(ExitCodeFor(outcome)) +
                  ",\"bytesSent\":" + std::to_string(sent_) + ",\"seconds\":" + seconds);
  ForwardingListener::Ended(outcome, text);
}

void JsonEvents::Message(const char* text) const { Emit("message", ",\"text\":" + JsonString(text)); }

}  // namespace cli
