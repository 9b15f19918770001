#pragma once
// The headless backend: dialogs run without a display, and everything they would
// show is recorded. While a Screen exists it is the backend, the message pump and
// the message-box handler. Tests post actions that ui::PumpOneMessage() delivers
// one at a time (as the operator's clicks would arrive), or press buttons directly.
// Any thread may post actions, ask for message boxes and read snapshots.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/ui/text_surface.h"
#include "app/ui/window_peer.h"
#include "ui_core/message_box.h"
#include "ui_core/message_pump.h"
#include "ui_core/ui_winapi.h"

class CDialog;

namespace ui::headless {

struct ControlRecord {
  std::string text;                // caption
  std::vector<std::string> items;  // combo box strings
  int selection = -1;              // combo box selection
  int rangeLow = 0, rangeHigh = 100;
  int position = 0;
  std::vector<int> positions;  // every position set, in order
  TextSurface surface;         // what is drawn on the control

  std::string VisibleLine(int y) const { return surface.VisibleLine(y); }
};

struct DialogRecord {
  UINT templateId = 0;
  std::string title;
  bool open = false;
  bool ended = false;
  INT_PTR result = 0;
  int timesOpened = 0;
  int focus = 0;  // control identifier
  HICON icons[2] = {nullptr, nullptr};
  std::map<int, ControlRecord> controls;

  const ControlRecord& Control(int id) const { return controls.at(id); }
};

class Screen : public Backend {
 public:
  Screen();
  ~Screen() override;
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // What a dialog shows now, or showed when it closed.
  DialogRecord Snapshot(UINT templateId) const;
  bool IsOpen(UINT templateId) const;
  std::vector<std::string> MessageBoxes() const;
  // Waits until at least count message boxes were shown; false on time-out.
  bool WaitForMessageBoxes(std::size_t count, std::chrono::milliseconds timeout) const;

  // Delivered by ui::PumpOneMessage() to the dialog on top at that moment.
  void Post(std::function<void()> action);
  void PostCommand(int id);            // a click on a button
  void PostClose();                    // the window's close box
  void PostPaint();                    // the dialog uncovered
  void PostSysCommand(UINT id);        // a system-menu item
  void PostSelect(int id, int index);  // a choice in a combo box
  // The same actions, delivered now on the calling (user-interface) thread.
  void Press(int id);
  void Close();
  void Paint();
  void SysCommand(UINT id);
  // False, choosing nothing, when the index is outside the box's list.
  bool Select(int id, int index);
  // Adds a string to a combo box of the dialog on top.
  void AddItem(int id, const std::string& text);

  std::unique_ptr<DialogPeer> CreatePeer(const DialogTemplate& tmpl, CDialog& owner) override;

 private:
  class DialogPeerImpl;
  class ControlPeerImpl;

  bool PumpOne();
  int ShowMessageBox(const char* text);
  CDialog* TopDialog() const;
  void Deliver(UINT message, WPARAM wParam, LPARAM lParam);

  mutable std::mutex mutex_;
  mutable std::condition_variable boxShown_;
  std::map<UINT, DialogRecord> dialogs_;
  std::vector<CDialog*> stack_;  // open dialogs, top last
  std::deque<std::function<void()>> queue_;
  std::vector<std::string> boxes_;
  Backend* previousBackend_;
  MessagePump previousPump_;
  MessageBoxHandler previousBoxHandler_;
};

}  // namespace ui::headless
