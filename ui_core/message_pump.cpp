#include "message_pump.h"

#include <atomic>
#include <utility>

#include "winapi.h"

namespace ui {
namespace {
std::atomic<EndServer> gEndServer{nullptr};
// Set and called on the user-interface thread only.
MessagePump gPump;
}  // namespace

bool PumpOneMessage() { return gPump ? gPump() : false; }

MessagePump SetMessagePump(MessagePump pump) { return std::exchange(gPump, std::move(pump)); }

void ServeUntilProcessEnds() {
  if (EndServer server = gEndServer.load()) server();
  for (;;) Sleep(INFINITE);
}

EndServer SetEndServer(EndServer server) { return gEndServer.exchange(server); }

}  // namespace ui
