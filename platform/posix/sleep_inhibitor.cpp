// logind's "block" inhibitor: Manager.Inhibit returns a descriptor, and the lock lasts as long as it stays
// open. The bus connection is closed right after the call, so only that descriptor is kept.
#include "sleep_inhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include "posix/clock.h"

namespace {

// A hung bus must not hold up an upgrade: connecting, authenticating and the call share this bound.
constexpr auto kCallBound = std::chrono::seconds(2);

int gInhibitor = -1;

struct InhibitCall {
  bool answered = false;
  int fd = -1;
};

int OnInhibitReply(sd_bus_message* reply, void* userdata, sd_bus_error*) {
  auto* call = static_cast<InhibitCall*>(userdata);
  call->answered = true;
  int fd = -1;
  // The reply owns `fd` and closes it when it is freed.
  if (!sd_bus_message_is_method_error(reply, nullptr) && sd_bus_message_read(reply, "h", &fd) > 0)
    call->fd = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  return 0;
}

std::uint64_t MicrosecondsUntil(posix::TimePoint deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - posix::Clock::now());
  return left.count() > 0 ? static_cast<std::uint64_t>(left.count()) : 0;
}

// Runs the bus until the call is answered or the deadline passes; sd_bus_call would wait for the
// authentication without a bound of ours.
void AwaitReply(sd_bus* bus, const InhibitCall& call, posix::TimePoint deadline) {
  while (!call.answered && !posix::Passed(deadline)) {
    const int progress = sd_bus_process(bus, nullptr);
    if (progress < 0) return;
    if (progress == 0 && sd_bus_wait(bus, MicrosecondsUntil(deadline)) < 0) return;
  }
}

int TakeInhibitor(const char* reason) {
  const posix::TimePoint deadline = posix::After(kCallBound);
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return -1;
  InhibitCall call;
  sd_bus_slot* slot = nullptr;
  if (sd_bus_call_method_async(bus, &slot, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "Inhibit", OnInhibitReply, &call, "ssss",
                               "sleep:idle", "ORVEX-A/B Firmware Programmer", reason, "block") >= 0)
    AwaitReply(bus, call, deadline);
  sd_bus_slot_unref(slot);
  sd_bus_close_unref(bus);
  return call.fd;
}

}  // namespace

void KeepAwake(const char* reason) {
  // The new lock is taken before the old one goes, so there is no moment without one; where the new
  // one cannot be had, the old one stays.
  const int taken = TakeInhibitor(reason);
  if (taken < 0) return;
  AllowSleep();
  gInhibitor = taken;
}

void AllowSleep() {
  if (gInhibitor < 0) return;
  close(gInhibitor);
  gInhibitor = -1;
}

bool SleepInhibited() { return gInhibitor >= 0; }
