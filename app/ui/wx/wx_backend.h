#pragma once
// While it exists, the wx backend creates the dialogs, pumps the messages and
// shows the message boxes of the program. Create it on the user-interface thread.
#include "app/ui/window_peer.h"
#include "ui_core/message_box.h"
#include "ui_core/message_pump.h"

namespace ui::wx {

class WxBackend : public Backend {
 public:
  WxBackend();
  ~WxBackend() override;
  WxBackend(const WxBackend&) = delete;
  WxBackend& operator=(const WxBackend&) = delete;

  std::unique_ptr<DialogPeer> CreatePeer(const DialogTemplate& tmpl, CDialog& owner) override;

 private:
  Backend* previousBackend_;
  MessagePump previousPump_;
  EndServer previousEndServer_;
  MessageBoxHandler previousBoxHandler_;
};

// The one-message pump, the end server and the message-box handler of this backend.
bool PumpOneMessage();
void ServeUntilProcessEnds();
int ShowMessageBox(const char* text, UINT type);

}  // namespace ui::wx
