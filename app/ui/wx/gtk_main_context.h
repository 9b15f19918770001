#pragma once
// GTK's main context serves the window's events and other sources besides,
// above all the accessibility bridge's D-Bus connections, through which a
// screen reader reads the dialog and presses its buttons. wxWidgets has no
// call that serves them without waiting, so the GLib and GDK functions are
// looked up in the already loaded libraries; where they are missing, each
// answers false.

namespace ui::wx {

// Whether a window event waits, in GDK's queue or on the display connection.
bool WindowEventWaiting();

// Whether GTK is handling a window event (a click, a key) right now, rather
// than, say, an assistive technology's action that came through the bus. The
// event that was being handled when the innermost NestedLoop began does not
// count: GTK keeps it current while that loop runs inside its handler.
bool InWindowEvent();

// Marks a loop that runs inside the handling of an event: a message box, a
// modal dialog, a popup menu, a pass of the message pump.
class NestedLoop {
 public:
  NestedLoop();
  ~NestedLoop();
  NestedLoop(const NestedLoop&) = delete;
  NestedLoop& operator=(const NestedLoop&) = delete;

 private:
  unsigned outerEvent_;
};

// Dispatches the sources of the default main context that are ready now,
// without waiting for any; returns whether one was dispatched.
bool DispatchReadySources();

}  // namespace ui::wx
