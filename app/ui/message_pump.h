#pragma once
// "Dispatch at most one pending window message" of the user-interface thread,
// used by the steps that keep the dialog alive while they wait.
#include <functional>

namespace ui {

// Dispatches at most one pending message; returns whether one was dispatched.
bool PumpOneMessage();

using MessagePump = std::function<bool()>;

// Installed by the active backend; returns the previous pump. With none
// installed there is never a message to dispatch.
MessagePump SetMessagePump(MessagePump pump);

}  // namespace ui
