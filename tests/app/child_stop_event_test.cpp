// Windows: each port's process inherits its own stop event and no other
// port's, so a stop meant for one port never rests in another's process.
// This test program plays both ports' processes (the environment says so).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/system/child_process.h"
#include "winapi.h"

namespace {

constexpr char kRole[] = "ORVEX_TEST_STOP_EVENT_ROLE";

// "tell": writes the stop event's handle value it was given. "probe": says
// whether the handle value after --other is, in this process, a set event it
// can reset (the other port's stop event, had it been inherited).
const bool kPlayed = [] {
  const char* role = std::getenv(kRole);
  if (role == nullptr) return false;
  const char* own = std::getenv(sys::kChildStopVariable);
  HANDLE other =
      __argc > 2
          ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(__argv[2], nullptr, 10)))
          : nullptr;
  if (std::string(role) == "tell") std::printf("%s\n", own != nullptr ? own : "none");
  if (std::string(role) != "tell")
    std::printf("%s\n", WaitForSingleObject(other, 0) == WAIT_OBJECT_0 && ResetEvent(other)
                            ? "holds the other's"
                            : "own only");
  std::fflush(stdout);
  std::_Exit(0);
}();

std::string FirstLine(sys::ChildProcess& child) {
  std::string text;
  char buffer[256];
  for (std::size_t got; text.find('\n') == std::string::npos &&
                        (got = child.Read(sys::ChildStream::kOutput, buffer, sizeof buffer)) > 0;)
    text.append(buffer, got);
  return text.substr(0, text.find_first_of("\r\n"));
}

TEST(ChildStopEvent, EachPortsProcessHoldsOnlyItsOwn) {
  _putenv_s(kRole, "tell");
  sys::ChildProcess first({});
  ASSERT_TRUE(first.Started()) << first.Error();
  const std::string value = FirstLine(first);
  ASSERT_NE(value, "none");
  first.Stop(2);  // the first port's event is set: one the second could find and reset
  _putenv_s(kRole, "probe");
  sys::ChildProcess second({"--other", value});
  ASSERT_TRUE(second.Started()) << second.Error();
  EXPECT_EQ(FirstLine(second), "own only");
  EXPECT_EQ(first.Wait() + second.Wait(), 0);
  _putenv_s(kRole, "");
}

}  // namespace
