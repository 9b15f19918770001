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
// than, say, an assistive technology's action that came through the bus.
bool InWindowEvent();

// Dispatches the sources of the default main context that are ready now,
// without waiting for any; returns whether one was dispatched.
bool DispatchReadySources();

}  // namespace ui::wx
