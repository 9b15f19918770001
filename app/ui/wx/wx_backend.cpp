#include "wx_backend.h"

#include <utility>

#include "wx_dialog.h"

namespace ui::wx {

WxBackend::WxBackend()
    : previousBackend_(SetBackend(this)),
      previousPump_(SetMessagePump(&PumpOneMessage)),
      previousEndServer_(SetEndServer(&ServeUntilProcessEnds)),
      previousBoxHandler_(SetMessageBoxHandler(&ShowMessageBox)) {}

WxBackend::~WxBackend() {
  SetMessageBoxHandler(std::move(previousBoxHandler_));
  SetEndServer(previousEndServer_);
  SetMessagePump(std::move(previousPump_));
  SetBackend(previousBackend_);
}

std::unique_ptr<DialogPeer> WxBackend::CreatePeer(const DialogTemplate& tmpl, CDialog& owner) {
  return std::make_unique<WxDialogPeer>(tmpl, owner);
}

}  // namespace ui::wx
