#include "gtk_main_context.h"

#include <dlfcn.h>

namespace ui::wx {
namespace {

using EventsPendingFn = int (*)();
using EventTimeFn = unsigned (*)();
using IterationFn = int (*)(void* context, int mayBlock);

template <typename Fn>
Fn Find(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_DEFAULT, name));
}

// An event's time is never 0 (GDK_CURRENT_TIME): 0 means no event.
unsigned CurrentEventTime() {
  static const auto eventTime = Find<EventTimeFn>("gtk_get_current_event_time");
  return eventTime != nullptr ? eventTime() : 0;
}

// The time of the event being handled when the innermost nested loop began.
thread_local unsigned tLoopEvent = 0;

}  // namespace

bool WindowEventWaiting() {
  static const auto eventsPending = Find<EventsPendingFn>("gdk_events_pending");
  return eventsPending != nullptr && eventsPending() != 0;
}

bool InWindowEvent() {
  const unsigned now = CurrentEventTime();
  return now != 0 && now != tLoopEvent;
}

NestedLoop::NestedLoop() : outerEvent_(tLoopEvent) { tLoopEvent = CurrentEventTime(); }
NestedLoop::~NestedLoop() { tLoopEvent = outerEvent_; }

bool DispatchReadySources() {
  static const auto iteration = Find<IterationFn>("g_main_context_iteration");
  // A null context is the default one; 0 (GLib's FALSE) polls, never waits.
  return iteration != nullptr && iteration(nullptr, 0) != 0;
}

}  // namespace ui::wx
