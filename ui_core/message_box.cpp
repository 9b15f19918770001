#include "message_box.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "serial_trace.h"

namespace ui {
namespace {

std::mutex gHandlerMutex;
MessageBoxHandler gHandler;

int ShowOnStandardError(const char* text, UINT) {
  std::fprintf(stderr, "orvex-programmer: %s\n", text);
  return IDOK;
}

}  // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(gHandlerMutex);
  return std::exchange(gHandler, std::move(handler));
}

}  // namespace ui

int AfxMessageBox(LPCSTR text, UINT type, UINT) {
  TraceMessageBox(text);
  ui::MessageBoxHandler handler;
  {
    std::lock_guard lock(ui::gHandlerMutex);
    handler = ui::gHandler;
  }
  // The box is modal: the handler runs outside the lock so other threads can ask too.
  return handler ? handler(text, type) : ui::ShowOnStandardError(text, type);
}
