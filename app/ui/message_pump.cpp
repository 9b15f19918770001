#include "message_pump.h"

#include <utility>

namespace ui {
namespace {
// Set and called on the user-interface thread only.
MessagePump gPump;
}  // namespace

bool PumpOneMessage() { return gPump ? gPump() : false; }

MessagePump SetMessagePump(MessagePump pump) { return std::exchange(gPump, std::move(pump)); }

}  // namespace ui
