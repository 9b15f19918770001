#pragma once
// "Dispatch at most one pending window message" of the user-interface thread,
// used by the steps that keep the dialog alive while they wait, and "serve the
// user interface until the process ends", for a thread left only to wait.
#include <functional>

namespace ui {

// Dispatches at most one pending message; returns whether one was dispatched.
bool PumpOneMessage();

using MessagePump = std::function<bool()>;

// Installed by the active backend; returns the previous pump. With none
// installed there is never a message to dispatch.
MessagePump SetMessagePump(MessagePump pump);

// Never returns; another thread ends the process. Called on the user-interface
// thread, the backend goes on showing the message boxes other threads ask for
// (a thread that ends the process may wait for the operator's answer first),
// while the dialogs take no more input; any other thread just waits.
[[noreturn]] void ServeUntilProcessEnds();

// The backend's part of ServeUntilProcessEnds, called on any thread; it returns
// at once where it has nothing to serve. Installed by the active backend (any
// thread may call it); returns the previous one.
using EndServer = void (*)();
EndServer SetEndServer(EndServer server);

}  // namespace ui
